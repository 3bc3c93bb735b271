#include "headphone/headphone_renderer_state.h"

#include <fftw3.h>

#include <algorithm>

#include "engine/contain_damage.h"
#include "engine/surround_engine.h"
#include "headphone/transform_wisdom.h"

namespace ambiora {

// Everything slow happens here, at load: the twenty response transforms and the measured
// planning of the seven run-time transforms. The playback thread never plans.
//
// What if planning or allocation fails at load? Neither is checked: FFTW's planner does not fail
// for a plain 1-D real transform, and a process that cannot find a few megabytes while loading a
// plug-in has already lost.
void headphone_renderer_state::build(const float* hrir_tables) {
    for (aligned_buffer& spectrum : hrir_spectrum) spectrum.resize_discarding(spectrum_floats);
    prepare_hrir_spectra(*this, hrir_tables != nullptr ? hrir_tables : builtin_hrir_tables());

    // With this machine's wisdom from an earlier run, the measured planning below takes
    // milliseconds instead of seconds; whatever it had to measure anyway is kept for the next run.
    load_transform_wisdom();

    // FFTW_MEASURE scribbles over the arrays while it plans, so the feeds and ear sums are planned
    // before anything is stored in them; the renderer refills them for every block anyway.
    for (std::uint32_t k = 0; k < speaker_count; ++k) {
        aligned_buffer& feed = speaker_feed[k];
        feed.resize_discarding(spectrum_floats);
        feed_plan[k] =
            fftwf_plan_dft_r2c_1d(transform_length, feed.data,
                                  reinterpret_cast<fftwf_complex*>(feed.data), transform_planning);
    }
    for (std::uint32_t e = 0; e < ear_count; ++e) {
        aligned_buffer& ear = ear_spectrum[e];
        ear.resize_discarding(spectrum_floats);
        ear_plan[e] =
            fftwf_plan_dft_c2r_1d(transform_length, reinterpret_cast<fftwf_complex*>(ear.data),
                                  ear.data, transform_planning);
    }
    save_transform_wisdom();

    overlap_tail.resize_discarding(transform_length);
    overlap_tail.zero_used();
    feed_fill = 0;
    tail_in_use = false;
}

// The feeds and ear sums are rewritten before they are read, so they are left alone.
void headphone_renderer_state::reset() {
    overlap_tail.zero_used();
    feed_fill = 0;
    tail_in_use = false;
}

// Only what this call can have written is checked; everything else was checked after the calls
// before. That keeps the cost at a few microseconds even with a block almost collected.
void headphone_renderer_state::contain_non_finite(std::uint32_t frames_in) {
    // Frames collected towards the next block are stream state too: they would reach the output
    // only with a later call, and through the transforms would spoil all of it. The newest of
    // them came with this call.
    const std::uint32_t fill = feed_fill;
    const std::uint32_t collected = std::min(fill, frames_in);
    if (collected != 0) {
        for (aligned_buffer& feed : speaker_feed) scrub(feed.data + (fill - collected), collected);
    }

    // The tail changes only when a block was rendered. Without one, every frame of the call would
    // still wait in the feeds (fill >= frames_in); with one, fewer than frames_in do, since a
    // rendered block took 8192 frames and at most 8191 were waiting before.
    if (tail_in_use && fill < frames_in) scrub(overlap_tail.data, overlap_tail.size);
}

void headphone_renderer_state::release() {
    for (transform_plan& plan : feed_plan) {
        if (plan != nullptr) fftwf_destroy_plan(plan);
        plan = nullptr;
    }
    for (transform_plan& plan : ear_plan) {
        if (plan != nullptr) fftwf_destroy_plan(plan);
        plan = nullptr;
    }
    binaural_block.release();
    for (aligned_buffer& ear : ear_spectrum) ear.release();
    overlap_tail.release();
    for (aligned_buffer& feed : speaker_feed) feed.release();
    for (aligned_buffer& spectrum : hrir_spectrum) spectrum.release();
    feed_fill = 0;
    tail_in_use = false;
}

}  // namespace ambiora
