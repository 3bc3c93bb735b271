// What the two matrix encoders keep: the filter memories of their surround paths.
//
// The mono encoder's surround and the stereo encoder's SL share chain A, so a switch between the
// two encoders continues the surround filtering without a restart.
//
// Threading: part of one engine, used by one thread at a time (see engine/surround_engine.h).
#pragma once

#include "engine/block_context.h"

namespace ambiora {

// The filter memories of one surround channel of an encoder, in the order the samples pass them.
struct encoder_surround_memories {
    biquad_state highpass;           // 100 Hz high-pass
    biquad_state lowpass;            // 7 kHz low-pass
    phase_shift_memory phase_shift;  // phase_shift_network's four all-pass sections
};

struct encoder_state {
    encoder_surround_memories surround_a;  // encode_mono_surround's S, encode_stereo_surround's SL
    encoder_surround_memories surround_b;  // encode_stereo_surround's SR

    // Clears the memories.
    void reset();

    // Clears a memory that holds damage (see engine/contain_damage.h). The memories are few and
    // all checked, whatever the block's length `frames_in`.
    void contain_non_finite(std::uint32_t frames_in);

    // The encoders hold no storage; here so that the engine releases every stage alike.
    void release() {}
};

}  // namespace ambiora
