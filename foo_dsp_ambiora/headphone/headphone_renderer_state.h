// What render_headphone keeps: the response spectra and transform plans made once at build, the
// speaker feeds collected towards the next block, the convolution tail carried into it, and the
// arrays one block passes through.
//
// FFTW's header stays out of here, and so out of every file that includes the engine: its plan
// type is a pointer to an incomplete struct, which is all the state needs to hold one.
//
// Threading: part of one engine, used by one thread at a time (see engine/surround_engine.h).
// build and release make and destroy plans through FFTW's planner, which is not re-entrant: the
// process builds and releases one renderer at a time. Running the plans needs no such care.
#pragma once

#include <cstdint>

#include "engine/aligned_buffer.h"
#include "engine/block_context.h"

struct fftwf_plan_s;

namespace ambiora {

using transform_plan = ::fftwf_plan_s*;  // FFTW's fftwf_plan

inline constexpr std::uint32_t hrir_length = 8192;        // taps per response, and the hop
inline constexpr std::uint32_t hrir_table_count = 20;     // two banks of five speakers x two ears
inline constexpr std::uint32_t transform_length = 16384;  // points of every transform
inline constexpr std::uint32_t spectrum_floats = transform_length + 2;  // 8193 complex bins
inline constexpr std::uint32_t ear_count = 2;

struct headphone_renderer_state {
    // Made by build, then only read.
    aligned_buffer hrir_spectrum[hrir_table_count];  // response spectra
    transform_plan feed_plan[speaker_count] = {};    // r2c, in place on speaker_feed
    transform_plan ear_plan[ear_count] = {};         // c2r, in place on ear_spectrum

    // Stream state, carried from call to call.
    aligned_buffer speaker_feed[speaker_count];  // one block of each feed, then its spectrum
    std::uint32_t feed_fill = 0;  // frames collected towards the next 8192-frame block
    aligned_buffer overlap_tail;  // convolution beyond the last block, L/R pairs
    bool tail_in_use = false;     // overlap_tail may hold sound; cleared when the modes are left

    // Scratch, rewritten before it is read.
    aligned_buffer ear_spectrum[ear_count];  // sum of feed x response per ear, then time domain
    aligned_buffer binaural_block;           // stereo result of one call

    // Sizes every fixed buffer, prepares the response spectra from `hrir_tables` (20 x 8192
    // floats; null selects the built-in set) and makes the seven run-time transform plans. The
    // state must be fresh (as constructed) or released.
    void build(const float* hrir_tables);

    // Drops the collected frames and silences the tail. Frees nothing.
    void reset();

    // Zeroes the damaged values (see engine/contain_damage.h) among what a call that brought in
    // `frames_in` frames can have written to the feeds and the tail.
    void contain_non_finite(std::uint32_t frames_in);

    // Destroys the plans and frees every buffer.
    void release();
};

}  // namespace ambiora
