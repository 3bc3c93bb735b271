// Where the sound of one band is coming from: two log ratios per frame, smoothed at 7.95 Hz.
//
// lr compares the left and right magnitudes, fb the in-phase (L + R, front) and out-of-phase
// (L - R, back) magnitudes. Each ratio is "dominant + 0.1 x other" over "other + 0.1 x dominant",
// so it stays within [0.1, 10] and its log within +-ln 10 however one-sided the sound is.
//
// The ratios are formed in double precision from the float samples. That is what keeps a signal
// fading into the smallest floats harmless: 0.1 x a subnormal float is still a normal double, so
// a denominator is zero only when both of its magnitudes are zero, and that case (digital silence
// on the band) is caught and reads as neutral steering. Nothing infinite or NaN can reach the
// smoother, whose memory would otherwise carry it for the rest of the stream. The logarithm is
// batch_log_ratio (batch_exp_log.h), so the detector loop runs as SIMD code.
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
#include "matrix/batch_exp_log.h"
#include "matrix/biquad_sections.h"

namespace ambiora {
namespace {

constexpr float leak = 0.1f;
constexpr float smoothing_hz = 7.95f;

// log((p + 0.1 q) / (q + 0.1 p)) for magnitudes p, q >= 0; 0 when both are 0; NaN when either
// is NaN or infinite.
//
// Written without branches, selects or comparisons so that the detector loop becomes SIMD code
// (also in the 32-bit build): both sides of the ratio get 1e-300 added, which leaves any side that
// is not 0 exactly as it was (the smallest is 0.1 x the smallest float, whose last binary place
// in double is still some 1e-62) and turns silence into 1e-300 / 1e-300, whose logarithm is
// exactly 0. x - x, which is 0 for every number, carries a NaN or an infinity through as NaN.
inline float dominance(double p, double q) {
    constexpr double silence_floor = 1e-300;
    const double dominant = (p + leak * q) + silence_floor;
    const double other = (q + leak * p) + silence_floor;
    return float(batch_log_ratio(dominant, other) + ((dominant - dominant) + (other - other)));
}

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

// The raw log ratios of every pair, before smoothing.
void measure_dominance(const float* pairs, float* lr_out, float* fb_out, std::uint32_t frames) {
    for (std::size_t k = 0; k < frames; ++k) {
        const double x = pairs[2 * k];
        const double y = pairs[2 * k + 1];
        lr_out[k] = dominance(std::fabs(x), std::fabs(y));
        fb_out[k] = dominance(std::fabs(x + y), std::fabs(x - y));
    }
}

}  // namespace

void steering_detector(const float* pairs, biquad_state& lr_memory, biquad_state& fb_memory,
                       float* lr_out, float* fb_out, const block_context& ctx) {
    const std::uint32_t frames = ctx.frame_count;
    measure_dominance(pairs, lr_out, fb_out, frames);
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
    measure_dominance(high.pairs, high.lr_out, high.fb_out, frames);
    measure_dominance(low.pairs, low.lr_out, low.fb_out, frames);
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
