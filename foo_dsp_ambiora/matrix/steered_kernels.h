// The steered decoder's per-frame loops, built once for each instruction set the processor may
// have, and the choice between them.
//
// Nearly all of the decoder's time goes into four loops over the frames of a block: the
// dominance logarithms, the steering exponentials, the adaptive matrix and the mix-down. They are
// straight-line double-precision code written for the vectoriser (see batch_exp_log.h), so they
// speed up with the width of the vector registers: with 256- and 512-bit registers they run about
// 1.6x and 2x as fast as with the 128-bit SSE2 registers that every x86-64 (and our 32-bit build)
// can count on. The bodies live in steered_loops.h and are compiled three times
// (steered_loops_*.cpp), with contraction into fused multiply-adds switched off, so every version
// performs the same IEEE operations on every frame and the output is bit for bit the same whichever
// one runs.
//
// Threading: the tables are constant. fastest_steered_kernels() makes its choice once, the first
// time it is called; build_engine calls it, so the playback thread only ever reads the result.
// limit_steered_kernels() belongs to the start of a program, before any engine exists.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "engine/speaker_switches.h"

namespace ambiora {

// Per-block settings of the mix-down, worked out once by the decoder.
struct steered_mixdown {
    double centre_gain;    // trim
    double surround_gain;  // trim, times 0.707 for a single surround
    bool single_surround;  // "Ambiora-AS": one surround signal on both rear speakers
    bool virtual_centre;
    double side_share;   // of the centre, added to each of L and R
    double centre_keep;  // of the centre, left in C
    speaker_factors on;
};

// One block's bands and smoothed steering values, and where its frames go.
struct steered_block {
    const float* high_pairs;  // interleaved left/right above the split
    const float* low_pairs;   //   and below it
    const float* lr_high;     // smoothed steering, one value per frame
    const float* fb_high;
    const float* lr_low;
    const float* fb_low;
    std::uint32_t frames;
    float* work;  // work_frames; L, R, C, LFE, SL and SR are written
};

struct steered_kernels {
    const char* instruction_set;  // "sse2", "avx2" or "avx512"
    // The raw dominance log ratios (left/right, front/back) of `frames` interleaved pairs.
    void (*measure_dominance)(const float* pairs, float* lr_out, float* fb_out,
                              std::uint32_t frames);
    // Weights, matrix and mix-down of a whole block.
    void (*decode_block)(const steered_block& block, const steered_mixdown& mixdown);
};

// Every version this processor can run, the SSE2 one first.
std::span<const steered_kernels* const> usable_steered_kernels();

// The widest usable version, chosen on the first call.
const steered_kernels& fastest_steered_kernels();

// Keeps the choice to versions no wider than `widest` ("sse2", "avx2" or "avx512"), to measure
// what a processor without the wider registers gets; the output is the same either way. Only
// before the choice is made (before the first engine is built); false then, or for an unknown
// name, with nothing changed.
bool limit_steered_kernels(std::string_view widest);

}  // namespace ambiora
