// What redirect_bass keeps: the crossover's filter memories and its scratch array.
//
// Threading: part of one engine, used by one thread at a time (see engine/surround_engine.h).
#pragma once

#include "engine/aligned_buffer.h"
#include "engine/block_context.h"

namespace ambiora {

struct bass_redirect_state {
    biquad_state highpass[3];  // crossover high-pass memories: L, R, C
    aligned_buffer removed;    // scratch: the bass taken from L, R and C together, one per frame

    // Clears the memories. The scratch is rewritten before it is read, so it is left alone.
    void reset();

    // Clears a memory that holds damage (see engine/contain_damage.h). The memories are few and
    // all checked, whatever the block's length `frames_in`.
    void contain_non_finite(std::uint32_t frames_in);

    // Frees the scratch.
    void release();
};

}  // namespace ambiora
