// What post_process_surround, the decoders' shared ending, keeps: the memories of the 7 kHz
// surround low-pass and the two surround delay lines.
//
// Threading: part of one engine, used by one thread at a time (see engine/surround_engine.h).
#pragma once

#include <cstdint>

#include "engine/block_context.h"
#include "matrix/delay_line.h"

namespace ambiora {

struct surround_ending_state {
    biquad_state lowpass[2];  // 7 kHz low-pass memories: SL, SR
    delay_line delay[2];      // surround delay: SL, SR

    // Clears the memories and silences the delay lines.
    void reset();

    // Clears a damaged memory and zeroes the damaged samples the last block (`frames_in` frames)
    // wrote into the delay lines (see engine/contain_damage.h).
    void contain_non_finite(std::uint32_t frames_in);

    // Frees the delay lines.
    void release();
};

}  // namespace ambiora
