// One surround delay line: a ring of floats and the place in it where the next sample goes.
//
// The ring holds exactly the delay in samples; each sample read from `position` is the one
// written there one delay earlier. The storage only grows, so a delay no longer than any seen
// before never allocates.
//
// Threading: part of one engine, used by one thread at a time (see engine/surround_engine.h).
#pragma once

#include <cstdint>

#include "engine/aligned_buffer.h"

namespace ambiora {

struct delay_line {
    aligned_buffer ring;         // size = delay in samples (0 = no delay)
    std::uint32_t position = 0;  // ring index of the oldest sample, replaced by the next one

    // Starts over for a delay of `samples`: a silent ring of that length, read from its start.
    void restart(std::uint32_t samples);

    // Silences the ring. The position stays: once every sample is zero, where the ring starts no
    // longer matters.
    void reset();

    // Zeroes the damaged samples (see engine/contain_damage.h) among the last `frames_in`
    // written, which lie just before the position.
    void contain_non_finite(std::uint32_t frames_in);

    // Frees the ring.
    void release();
};

}  // namespace ambiora
