// Where the sound of one band is coming from: two log ratios per frame, smoothed at 7.95 Hz.
//
// lr compares the left and right magnitudes, fb the in-phase (L + R, front) and out-of-phase
// (L - R, back) magnitudes. Each ratio is "dominant + 0.1 x other" over "other + 0.1 x dominant",
// so it stays within [0.1, 10] and its log within +-ln 10 however one-sided the sound is.
//
// The ratios are measured by the loop in steered_loops.h, in double precision from the float
// samples. That is what keeps a signal fading into the smallest floats harmless: a denominator is
// zero only when both of its magnitudes are zero, and that case (digital silence on the band)
// reads as neutral steering.
//
// The smoother itself keeps float memories, and at the highest rates its poles sit so close to
// z = 1 that a step of the output is smaller than the rounding of the stored value: from 88.2 kHz
// up the smoothed values stall beyond ln 10 (near 5.8 at 192 kHz) and at 384 kHz they creep until
// they stall far out (1024 after some 45 s of a centred source). The weights of such values are
// still between 0 and 1, so the output stays bounded; only a memory that overflowed to infinity
// and turned into NaN could poison the decoder for good. That cannot be produced by the
// recurrence's rounding as far as we know, but if it ever happens the block's non-numbers read as
// neutral steering and the memory starts afresh.
#include <cmath>

#include "engine/surround_engine.h"
#include "matrix/band_steering.h"
#include "matrix/biquad_sections.h"
#include "matrix/steered_kernels.h"

namespace ambiora {
namespace {

constexpr float smoothing_hz = 7.95f;

bool holds_numbers(const biquad_state& s) {
    return std::isfinite(s.x1) && std::isfinite(s.x2) && std::isfinite(s.y1) && std::isfinite(s.y2);
}

// Once a smoother's memory is infinite or NaN every later output is NaN, so a finite memory at
// the end of the block means every value of the block was a number.
void contain_runaway(biquad_state& memory, float* values, std::uint32_t frames) {
    if (holds_numbers(memory)) return;
    for (std::uint32_t k = 0; k < frames; ++k)
        if (!std::isfinite(values[k])) values[k] = 0.0f;
    memory = {};
}

}  // namespace

void steering_detector(const float* pairs, biquad_state& lr_memory, biquad_state& fb_memory,
                       float* lr_out, float* fb_out, const block_context& ctx) {
    const std::uint32_t frames = ctx.frame_count;
    fastest_steered_kernels().measure_dominance(pairs, lr_out, fb_out, frames);
    butterworth_lowpass_pair(lr_memory, lr_out, fb_memory, fb_out, smoothing_hz, 1, ctx);
    contain_runaway(lr_memory, lr_out, frames);
    contain_runaway(fb_memory, fb_out, frames);
}

void detect_band_steering(const band_steering& high, const band_steering& low,
                          const block_context& ctx) {
    const std::uint32_t frames = ctx.frame_count;
    butterworth_coefficients k;
    if (!butterworth_lowpass_design(smoothing_hz, ctx.sample_rate, k)) {
        steering_detector(high.pairs, high.lr_memory, high.fb_memory, high.lr_out, high.fb_out,
                          ctx);
        steering_detector(low.pairs, low.lr_memory, low.fb_memory, low.lr_out, low.fb_out, ctx);
        return;
    }
    fastest_steered_kernels().measure_dominance(high.pairs, high.lr_out, high.fb_out, frames);
    fastest_steered_kernels().measure_dominance(low.pairs, low.lr_out, low.fb_out, frames);
    butterworth_section high_lr(k, high.lr_memory), high_fb(k, high.fb_memory);
    butterworth_section low_lr(k, low.lr_memory), low_fb(k, low.fb_memory);
    for (std::size_t i = 0; i < frames; ++i) {
        high.lr_out[i] = high_lr.step(high.lr_out[i]);
        high.fb_out[i] = high_fb.step(high.fb_out[i]);
        low.lr_out[i] = low_lr.step(low.lr_out[i]);
        low.fb_out[i] = low_fb.step(low.fb_out[i]);
    }
    high.lr_memory = high_lr.memory();
    high.fb_memory = high_fb.memory();
    low.lr_memory = low_lr.memory();
    low.fb_memory = low_fb.memory();
    contain_runaway(high.lr_memory, high.lr_out, frames);
    contain_runaway(high.fb_memory, high.fb_out, frames);
    contain_runaway(low.lr_memory, low.lr_out, frames);
    contain_runaway(low.fb_memory, low.fb_out, frames);
}

}  // namespace ambiora
