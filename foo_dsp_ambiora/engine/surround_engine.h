// The surround engine: every piece of processing state, and the map of the stages that use it.
//
// One engine carries the history of one stream. All filter memories, delay lines, scratch arrays,
// response spectra and transform plans live here as plain members that the stages reach directly;
// no stage keeps state of its own. The component holds a single process-wide engine shared by all
// of its DSP instances (see engine/shared_engine.h); tests and tools may build their own.
//
// A chunk's journey: the DSP instance spreads the chunk into six-float `work_frame`s, fills a
// `block_context` with one snapshot of the settings and calls `process_block`, which picks the
// stages from mode, channel count and sample rate:
//
//   stereo, modes 1-4   decode_passive | decode_steered  ->  redirect_bass           -> 6 channels
//   2/4/5/6 ch, 5-6     [decode_steered for stereo]      ->  render_headphone        -> 2 channels
//   4/5/6 ch, mode 7    fold_for_encode                  ->  encode_mono_surround    -> 2 channels
//   4/5/6 ch, mode 8    fold_for_encode2                 ->  encode_stereo_surround  -> 2 channels
//   anything else       apply_gain_db(-3 dB)                                         -> unchanged
//
// then appends the silence owed after leaving a headphone mode and applies the master gain.
//
// Threading: an engine is used by one thread at a time. `process_block` runs on the host's
// playback thread; the component serialises resets requested from other threads against it (see
// engine/shared_engine.h). build_engine and destroy_engine run while no block can be in flight.
#pragma once

#include <cstdint>

#include <fftw3.h>

#include "engine/aligned_buffer.h"
#include "engine/block_context.h"
#include "matrix/bass_redirect_state.h"
#include "matrix/encoder_state.h"
#include "matrix/steered_decoder_state.h"
#include "matrix/surround_ending_state.h"

namespace ambiora {

// ---------------------------------------------------------------------------------------------
// Sizes of the headphone virtualiser

inline constexpr std::uint32_t hrir_length = 8192;        // taps per response, and the hop
inline constexpr std::uint32_t hrir_table_count = 20;     // two banks of five speakers x two ears
inline constexpr std::uint32_t transform_length = 16384;  // points of every transform
inline constexpr std::uint32_t spectrum_floats = transform_length + 2;  // 8193 complex bins
inline constexpr std::uint32_t ear_count = 2;

// ---------------------------------------------------------------------------------------------
// The engine

struct surround_engine {
    steered_decoder_state steered_decoder;  // decode_steered: band split, steering smoothers
    surround_ending_state surround_ending;  // post_process_surround: 7 kHz low-pass, delay lines
    bass_redirect_state bass_redirect;  // redirect_bass: crossover memories, removed bass
    encoder_state encoders;             // encode_*_surround: surround chains A and B

    // Buffers; "grown on demand" ones are sized by their stage on every block.
    aligned_buffer hrir_spectrum[hrir_table_count];  // response spectra, made once at build
    aligned_buffer binaural_block;               // render_headphone: stereo result of one call
    aligned_buffer speaker_feed[speaker_count];  // one block of each feed, then its spectrum
    aligned_buffer overlap_tail;                 // convolution beyond the last block, L/R pairs
    aligned_buffer ear_product[speaker_count * ear_count];  // feed x response, then time domain

    // Counters.
    std::uint32_t feed_fill = 0;  // frames collected towards the next 8192-frame block
    bool tail_in_use = false;     // overlap_tail may hold sound; cleared when the modes are left

    // Transform plans, made while building and never on the playback thread.
    fftwf_plan feed_plan[speaker_count] = {};                // r2c, in place on speaker_feed
    fftwf_plan ear_plan[speaker_count * ear_count] = {};     // c2r, in place on ear_product
};

// ---------------------------------------------------------------------------------------------
// Lifecycle (engine/build_engine.cpp, engine/reset_engine.cpp, engine/destroy_engine.cpp)

// Sizes every fixed buffer, prepares the response spectra from `hrir_tables` (20 x 8192 floats;
// null selects the built-in set) and makes all fifteen run-time transform plans.
void build_engine(surround_engine& engine, const float* hrir_tables = nullptr);

// Clears every filter memory, the delay lines, the overlap tail and feed_fill. Frees nothing.
void reset_engine(surround_engine& engine);

// Resets, destroys the plans and frees every buffer.
void destroy_engine(surround_engine& engine);

// ---------------------------------------------------------------------------------------------
// The block pipeline (engine/process_block.cpp and one file per small stage)

void process_block(surround_engine& engine, block_context& ctx);
void apply_gain_db(block_context& ctx, float db);
// Replaces the frames a headphone mode still held with as many silent frames at the block's end.
void append_headphone_silence(surround_engine& engine, block_context& ctx);
// Rids the carried state (memories, delay lines, feeds, tail) of NaN, infinities and huge values
// after a block that brought in `frames_in` frames.
void contain_non_finite(surround_engine& engine, std::uint32_t frames_in);

// dB to linear factor: 10^(dB x 0.05), with 0.05 as a float and the power taken in double.
double db_to_factor(std::int32_t db);

// ---------------------------------------------------------------------------------------------
// Matrix filters and surround delay (matrix/)

// Second-order Butterworth filters by the bilinear transform, in place on
// data[channel + k * stride] for k < ctx.frame_count, at ctx.sample_rate.
void butterworth_highpass(biquad_state& state, float* data, std::uint32_t channel,
                          float cutoff_hz, std::uint32_t stride, const block_context& ctx);
void butterworth_lowpass(biquad_state& state, float* data, std::uint32_t channel,
                         float cutoff_hz, std::uint32_t stride, const block_context& ctx);

// Delays channel `channel` (stride 6) of `data` by delay_us microseconds through `line`.
void delay_channel(delay_line& line, std::uint32_t delay_us, const block_context& ctx, float* data,
                   std::uint32_t channel);

// ---------------------------------------------------------------------------------------------
// Matrix decoders (matrix/)

void decode_passive(surround_engine& engine, block_context& ctx);
void decode_steered(surround_engine& engine, block_context& ctx);
void steering_detector(const float* pairs, biquad_state& lr_memory, biquad_state& fb_memory,
                       float* lr_out, float* fb_out, const block_context& ctx);
// The decoders' shared ending: 7 kHz low-pass (modes 1-3 at >= 44.1 kHz) and the delay.
void post_process_surround(surround_engine& engine, block_context& ctx);
// After either decoder: L, R and C lose their bass below the crossover, and LFE receives it.
void redirect_bass(surround_engine& engine, block_context& ctx);

// ---------------------------------------------------------------------------------------------
// Matrix encoders (matrix/)

// The folds that bring a four-, five- or six-channel source into the shape each encoder reads.
void fold_for_encode(block_context& ctx);
void fold_for_encode2(block_context& ctx);
void encode_mono_surround(surround_engine& engine, block_context& ctx);
void encode_stereo_surround(surround_engine& engine, block_context& ctx);
void phase_shift_network(phase_shift_memory& memory, block_context& ctx, std::uint32_t channel);

// ---------------------------------------------------------------------------------------------
// Headphone virtualiser (headphone/)

// The built-in 20 x 8192 response tables (t = 10 x bank + 2 x speaker + ear).
const float* builtin_hrir_tables();

// Fills the 20 hrir_spectrum buffers (already sized) from `tables`.
void prepare_hrir_spectra(surround_engine& engine, const float* tables);

void render_headphone(surround_engine& engine, block_context& ctx);

}  // namespace ambiora
