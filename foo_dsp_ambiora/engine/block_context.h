// The small types every stage shares: the layout of a work frame, the modes, the speaker
// switches, filter memories, and the block_context a chunk travels in.
//
// Threading: plain values. A block_context belongs to the call that filled it.
#pragma once

#include <cstdint>

#include "engine/aligned_buffer.h"

namespace ambiora {

// Slots of one work_frame: six floats per sample instant, stored frame after frame.
enum frame_slot : std::uint32_t {
    slot_l = 0,
    slot_r = 1,
    slot_c = 2,
    slot_lfe = 3,
    slot_sl = 4,
    slot_sr = 5,
};
inline constexpr std::uint32_t frame_width = 6;  // floats per work_frame

// processing_mode values, for code that means one particular mode; what each mode is and does is
// described in modes.h. Anything outside the table behaves as mode_bypass.
enum processing_mode : std::int32_t {
    mode_bypass = 0,
    mode_plus_c = 1,
    mode_as = 2,
    mode_asr = 3,
    mode_as2 = 4,
    mode_headphone = 5,
    mode_headphone_movie = 6,
    mode_encode = 7,
    mode_encode2 = 8,
};

// Index of each speaker in block_context::speaker_on and in the headphone feeds.
enum speaker_index : std::uint32_t {
    speaker_l = 0,
    speaker_r = 1,
    speaker_c = 2,
    speaker_sl = 3,
    speaker_sr = 4,
};
inline constexpr std::uint32_t speaker_count = 5;

// Memory of one channel of one second-order section: previous inputs and outputs.
struct biquad_state {
    float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

// Memory of the four all-pass sections of one phase-shift network.
struct phase_shift_memory {
    biquad_state section[4];
};

// Everything the engine needs to process one chunk: a snapshot of the seventeen processing
// settings (taken once per chunk by the DSP instance) plus the chunk's shape and frames.
struct block_context {
    std::int32_t mode = mode_bypass;  // processing_mode
    std::int32_t surround_delay_ms = 0;
    std::int32_t centre_width_pct = 0;
    std::int32_t centre_trim_db = 0;
    std::int32_t surround_trim_db = 0;
    std::int32_t master_gain_db = 0;
    std::int32_t bass_redirect_hz = 0;
    std::int32_t bass_redirect_on = 0;
    std::int32_t bass_trim_db = 0;
    std::int32_t bass_invert = 0;
    std::int32_t bass_plus10db = 0;
    std::int32_t virtual_centre = 0;
    std::int32_t speaker_on[speaker_count] = {1, 1, 1, 1, 1};  // L, R, C, SL, SR; 0 = muted
    std::int32_t output_channels = 0;                          // written by the engine
    std::int32_t input_channels = 0;
    std::int32_t sample_rate = 0;    // Hz
    std::uint32_t frame_count = 0;   // frames in `work`; the engine may change it
    aligned_buffer* work = nullptr;  // work_frames; the engine may resize (and so move) it
};

}  // namespace ambiora
