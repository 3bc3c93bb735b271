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
// The smoother stores float memories between blocks but feeds back its exact double output
// within a block (smoother_section_pair in biquad_sections.h): its poles sit so close to z = 1
// that a float-rounded feedback freezes short of the target, at 2.21 instead of ln 10 at 44.1 kHz
// and beyond it from 88.2 kHz up, so a fully one-sided sound would never be fully steered. In
// blocks of the sizes hosts use it settles to within 1e-4 at every rate up to 384 kHz; blocks of
// a handful of frames still freeze short. Whatever the values, the weights stay between 0 and 1
// and the output bounded; only a memory that overflowed to infinity and turned into NaN could
// poison the decoder for good. That cannot come from the recurrence as far as we know, but if it
// ever happens the block's non-numbers read as neutral steering and the memory starts afresh.
//
// The steered decoder's band split lives here too: it feeds the detectors, and the two run
// interleaved (split_and_detect_steering).
#include <algorithm>
#include <cmath>

#include "engine/surround_engine.h"
#include "matrix/split_and_detect.h"
#include "matrix/biquad_sections.h"
#include "matrix/steered_kernels.h"

namespace ambiora {
namespace {

constexpr float smoothing_hz = 7.95f;
constexpr float band_split_hz = 1200.0f;
constexpr std::uint32_t detector_tile_frames = 256;

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

// The source's L and R, split into interleaved high and low bands, as separate passes: the form
// for rates at which a design gives way to its limit filter. Below 2400 Hz the split frequency is
// at or beyond Nyquist: there is no band above it, and the high-pass then passes nothing, so the
// whole source is treated as low band and the high band's detector sees silence.
void split_bands(steered_decoder_state& state, const block_context& ctx) {
    const std::uint32_t frames = ctx.frame_count;
    const float* frame = ctx.work->data;
    float* high = state.band_high.data;
    float* low = state.band_low.data;
    for (std::size_t k = 0; k < frames; ++k, frame += frame_width) {
        high[2 * k] = frame[slot_l];
        high[2 * k + 1] = frame[slot_r];
    }
    butterworth_highpass_pair(state.band_split[0], high, state.band_split[1], high + 1,
                              band_split_hz, 2, ctx);
    frame = ctx.work->data;
    for (std::size_t k = 0; k < frames; ++k, frame += frame_width) {
        low[2 * k] = frame[slot_l] - high[2 * k];
        low[2 * k + 1] = frame[slot_r] - high[2 * k + 1];
    }
}

// The same split and both detectors with the recurrences interleaved. Each filter step waits for
// the one before, so a pass is bound by that latency, not by arithmetic. The four smoothers
// already share one loop; the split's two high-pass filters join them one tile ahead: while tile
// t is smoothed, tile t + 1 is split, and between the two its dominance (a vectorised loop) is
// measured. Every recurrence sees the same inputs in the same order as in the separate passes.
void split_and_detect_in_tiles(steered_decoder_state& state, const block_context& ctx,
                               const butterworth_coefficients& split,
                               const butterworth_coefficients& smooth) {
    const std::uint32_t frames = ctx.frame_count;
    const float* work = ctx.work->data;
    float* high = state.band_high.data;
    float* low = state.band_low.data;
    float* lr_high = state.steer_lr_high.data;
    float* fb_high = state.steer_fb_high.data;
    float* lr_low = state.steer_lr_low.data;
    float* fb_low = state.steer_fb_low.data;
    const steered_kernels& kernels = fastest_steered_kernels();

    // Left and right of the split share a register, as do each band's two smoothers.
    butterworth_section_pair splitter(split, state.band_split[0], state.band_split[1]);
    smoother_section_pair smooth_high(smooth, state.steer_lr_high_memory,
                                      state.steer_fb_high_memory);
    smoother_section_pair smooth_low(smooth, state.steer_lr_low_memory, state.steer_fb_low_memory);

    auto split_frame = [&](std::size_t k) {
        const float* frame = work + k * frame_width;
        const __m128d y = splitter.step(pack_lanes(frame[slot_l], frame[slot_r]));
        high[2 * k] = first_lane(y);
        high[2 * k + 1] = second_lane(y);
    };
    // The low band and the raw dominance of both bands, once a tile's high band is complete.
    auto measure_tile = [&](std::uint32_t start, std::uint32_t count) {
        for (std::size_t k = start; k < start + count; ++k) {
            low[2 * k] = work[k * frame_width + slot_l] - high[2 * k];
            low[2 * k + 1] = work[k * frame_width + slot_r] - high[2 * k + 1];
        }
        kernels.measure_dominance(high + 2 * start, lr_high + start, fb_high + start, count);
        kernels.measure_dominance(low + 2 * start, lr_low + start, fb_low + start, count);
    };
    auto smooth_frame = [&](std::size_t k) {
        const __m128d h = smooth_high.step(pack_lanes(lr_high[k], fb_high[k]));
        const __m128d l = smooth_low.step(pack_lanes(lr_low[k], fb_low[k]));
        lr_high[k] = first_lane(h);
        fb_high[k] = second_lane(h);
        lr_low[k] = first_lane(l);
        fb_low[k] = second_lane(l);
    };

    const std::uint32_t first_count = std::min(detector_tile_frames, frames);
    for (std::uint32_t k = 0; k < first_count; ++k) split_frame(k);
    measure_tile(0, first_count);
    for (std::uint32_t start = 0; start < frames; start += detector_tile_frames) {
        const std::uint32_t count = std::min(detector_tile_frames, frames - start);
        const std::uint32_t next = start + count;
        const std::uint32_t next_count = std::min(detector_tile_frames, frames - next);
        // Only the last tile can be short, so the next one is never longer than this one.
        std::uint32_t i = 0;
        for (; i < next_count; ++i) {
            split_frame(next + i);
            smooth_frame(start + i);
        }
        for (; i < count; ++i) smooth_frame(start + i);
        if (next_count != 0) measure_tile(next, next_count);
    }

    state.band_split[0] = splitter.first_memory();
    state.band_split[1] = splitter.second_memory();
    state.steer_lr_high_memory = smooth_high.first_memory();
    state.steer_fb_high_memory = smooth_high.second_memory();
    state.steer_lr_low_memory = smooth_low.first_memory();
    state.steer_fb_low_memory = smooth_low.second_memory();
    contain_runaway(state.steer_lr_high_memory, lr_high, frames);
    contain_runaway(state.steer_fb_high_memory, fb_high, frames);
    contain_runaway(state.steer_lr_low_memory, lr_low, frames);
    contain_runaway(state.steer_fb_low_memory, fb_low, frames);
}

}  // namespace

void steering_detector(const float* pairs, biquad_state& lr_memory, biquad_state& fb_memory,
                       float* lr_out, float* fb_out, const block_context& ctx) {
    const std::uint32_t frames = ctx.frame_count;
    fastest_steered_kernels().measure_dominance(pairs, lr_out, fb_out, frames);
    butterworth_coefficients smooth;
    if (butterworth_lowpass_design(smoothing_hz, ctx.sample_rate, smooth)) {
        smoother_section_pair smoother(smooth, lr_memory, fb_memory);
        for (std::uint32_t k = 0; k < frames; ++k) {
            const __m128d y = smoother.step(pack_lanes(lr_out[k], fb_out[k]));
            lr_out[k] = first_lane(y);
            fb_out[k] = second_lane(y);
        }
        lr_memory = smoother.first_memory();
        fb_memory = smoother.second_memory();
    } else {
        // The limit form of the design (a corner effectively at 0 Hz): no recurrence to keep.
        butterworth_lowpass_pair(lr_memory, lr_out, fb_memory, fb_out, smoothing_hz, 1, ctx);
    }
    contain_runaway(lr_memory, lr_out, frames);
    contain_runaway(fb_memory, fb_out, frames);
}

void split_and_detect_steering(steered_decoder_state& state, const block_context& ctx) {
    butterworth_coefficients split, smooth;
    if (!butterworth_highpass_design(band_split_hz, ctx.sample_rate, split) ||
        !butterworth_lowpass_design(smoothing_hz, ctx.sample_rate, smooth)) {
        split_bands(state, ctx);
        steering_detector(state.band_high.data, state.steer_lr_high_memory,
                          state.steer_fb_high_memory, state.steer_lr_high.data,
                          state.steer_fb_high.data, ctx);
        steering_detector(state.band_low.data, state.steer_lr_low_memory, state.steer_fb_low_memory,
                          state.steer_lr_low.data, state.steer_fb_low.data, ctx);
        return;
    }
    split_and_detect_in_tiles(state, ctx, split, smooth);
}

}  // namespace ambiora
