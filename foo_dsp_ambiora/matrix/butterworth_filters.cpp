// Second-order Butterworth high-pass and low-pass filters, in place on one channel of a block.
//
// Both come from the analogue Butterworth prototype by the bilinear transform, pre-warped so that
// the -3 dB point lands exactly on the cutoff. The coefficients are worked out once per call in
// double precision and applied in double; only the samples and the four memory values are stored
// as 32-bit floats. The 7.95 Hz steering smoother has poles within 1e-3 of z = 1, where single-
// precision coefficients would put the corner somewhere else entirely.
//
// The memory lives in a biquad_state that the caller keeps from block to block, so a stream cut
// into chunks of any size comes out bit for bit as if it had been filtered whole.
//
// Cutoffs at the edges of what a rate can carry. The bilinear design is stable for every cutoff
// strictly between 0 and fs/2, but:
//  - at fs/2 and beyond, tan() passes its pole and K turns negative or meaningless (the 1200 Hz
//    band split at fs <= 2400 Hz, the encoders' 7 kHz low-pass at fs <= 14 kHz), and the filter
//    would blow up;
//  - very near either edge (K below 1e-6 or above 1e6) the double coefficients round so close to
//    the unit circle that the float memories could push a pole across it.
// There the filter becomes the limit the design tends to: a low-pass whose corner sits at or
// above Nyquist passes everything unchanged and a high-pass there passes nothing; a corner at
// (effectively) 0 Hz does the opposite. The memory is still advanced as that limit filter would
// advance it, so the stream continues smoothly if the rate later moves back into range. A
// non-positive sample rate carries no band at all and is treated like a corner beyond Nyquist.
#include <cmath>
#include <cstddef>
#include <numbers>

#include "engine/surround_engine.h"
#include "matrix/biquad_sections.h"

namespace ambiora {
namespace {

// The design's constants are single-precision values, used as such.
constexpr float pi_single = 3.1415927f;
constexpr float sqrt2_single = 1.4142135f;

constexpr double smallest_safe_k = 1e-6;
constexpr double largest_safe_k = 1e6;

enum class corner_region { near_zero, inside, at_or_beyond_nyquist };

struct prewarped_corner {
    corner_region region;
    double k;  // tan(pi * cutoff / fs), valid only inside
};

prewarped_corner prewarp(float cutoff_hz, std::int32_t sample_rate) {
    if (!(sample_rate > 0)) return {corner_region::at_or_beyond_nyquist, 0.0};
    const double angle = double(pi_single) * double(cutoff_hz) / double(sample_rate);
    // Compared with the true right angle: float pi is a hair above pi, so a cutoff of exactly fs/2
    // lands just past the pole of tan().
    if (!(angle < std::numbers::pi / 2)) return {corner_region::at_or_beyond_nyquist, 0.0};
    if (!(angle > 0.0)) return {corner_region::near_zero, 0.0};
    const double k = std::tan(angle);
    if (k > largest_safe_k) return {corner_region::at_or_beyond_nyquist, k};
    if (k < smallest_safe_k) return {corner_region::near_zero, k};
    return {corner_region::inside, k};
}

// Direct form I, one channel: y = norm (x + middle x1 + x2) - a1 y1 - a2 y2.
void run_biquad(biquad_state& state, float* data, std::uint32_t channel, std::uint32_t stride,
                std::uint32_t frames, const butterworth_coefficients& k) {
    butterworth_section section(k, state);
    float* sample = data + channel;
    for (std::uint32_t i = 0; i < frames; ++i, sample += stride) *sample = section.step(*sample);
    state = section.memory();
}

// Two channels in one loop, one in each lane: the recurrences are independent, so they share
// the latency of one and half of the instructions.
void run_biquad_pair(biquad_state& first_state, float* first, biquad_state& second_state,
                     float* second, std::uint32_t stride, std::uint32_t frames,
                     const butterworth_coefficients& k) {
    butterworth_section_pair pair(k, first_state, second_state);
    for (std::uint32_t i = 0; i < frames; ++i, first += stride, second += stride) {
        const __m128d y = pair.step(pack_lanes(*first, *second));
        *first = first_lane(y);
        *second = second_lane(y);
    }
    first_state = pair.first_memory();
    second_state = pair.second_memory();
}

butterworth_coefficients highpass_coefficients(double k) {
    const double norm = 1.0 / (k * k + sqrt2_single * k + 1.0);
    const double a1 = 2.0 * norm * (k * k - 1.0);
    const double a2 = norm * (k * k - sqrt2_single * k + 1.0);
    return {norm, -2.0, a1, a2};
}

butterworth_coefficients lowpass_coefficients(double k) {
    const double c = 1.0 / k;
    const double norm = 1.0 / (c * c + sqrt2_single * c + 1.0);
    const double a1 = 2.0 * norm * (1.0 - c * c);
    const double a2 = norm * (c * c - sqrt2_single * c + 1.0);
    return {norm, 2.0, a1, a2};
}

// The limit filters: the output is either the input itself or silence.
void pass_unchanged(biquad_state& state, const float* data, std::uint32_t channel,
                    std::uint32_t stride, std::uint32_t frames) {
    if (frames == 0) return;
    const float last = data[channel + std::size_t(frames - 1) * stride];
    const float before_last =
        frames >= 2 ? data[channel + std::size_t(frames - 2) * stride] : state.x1;
    const float output_before_last = frames >= 2 ? before_last : state.y1;
    state = {last, before_last, last, output_before_last};
}

void pass_nothing(biquad_state& state, float* data, std::uint32_t channel, std::uint32_t stride,
                  std::uint32_t frames) {
    if (frames == 0) return;
    const float last = data[channel + std::size_t(frames - 1) * stride];
    const float before_last =
        frames >= 2 ? data[channel + std::size_t(frames - 2) * stride] : state.x1;
    const float output_before_last = frames >= 2 ? 0.0f : state.y1;
    state = {last, before_last, 0.0f, output_before_last};
    float* sample = data + channel;
    for (std::uint32_t k = 0; k < frames; ++k, sample += stride) *sample = 0.0f;
}

}  // namespace

bool butterworth_highpass_design(float cutoff_hz, std::int32_t sample_rate,
                                 butterworth_coefficients& out) {
    const prewarped_corner corner = prewarp(cutoff_hz, sample_rate);
    if (corner.region != corner_region::inside) return false;
    out = highpass_coefficients(corner.k);
    return true;
}

bool butterworth_lowpass_design(float cutoff_hz, std::int32_t sample_rate,
                                butterworth_coefficients& out) {
    const prewarped_corner corner = prewarp(cutoff_hz, sample_rate);
    if (corner.region != corner_region::inside) return false;
    out = lowpass_coefficients(corner.k);
    return true;
}

void butterworth_highpass(biquad_state& state, float* data, std::uint32_t channel, float cutoff_hz,
                          std::uint32_t stride, const block_context& ctx) {
    const prewarped_corner corner = prewarp(cutoff_hz, ctx.sample_rate);
    if (corner.region == corner_region::at_or_beyond_nyquist) {
        pass_nothing(state, data, channel, stride, ctx.frame_count);
        return;
    }
    if (corner.region == corner_region::near_zero) {
        pass_unchanged(state, data, channel, stride, ctx.frame_count);
        return;
    }
    run_biquad(state, data, channel, stride, ctx.frame_count, highpass_coefficients(corner.k));
}

void butterworth_lowpass(biquad_state& state, float* data, std::uint32_t channel, float cutoff_hz,
                         std::uint32_t stride, const block_context& ctx) {
    const prewarped_corner corner = prewarp(cutoff_hz, ctx.sample_rate);
    if (corner.region == corner_region::at_or_beyond_nyquist) {
        pass_unchanged(state, data, channel, stride, ctx.frame_count);
        return;
    }
    if (corner.region == corner_region::near_zero) {
        pass_nothing(state, data, channel, stride, ctx.frame_count);
        return;
    }
    run_biquad(state, data, channel, stride, ctx.frame_count, lowpass_coefficients(corner.k));
}

void butterworth_highpass_pair(biquad_state& first_memory, float* first,
                               biquad_state& second_memory, float* second, float cutoff_hz,
                               std::uint32_t stride, const block_context& ctx) {
    butterworth_coefficients k;
    if (butterworth_highpass_design(cutoff_hz, ctx.sample_rate, k)) {
        run_biquad_pair(first_memory, first, second_memory, second, stride, ctx.frame_count, k);
        return;
    }
    butterworth_highpass(first_memory, first, 0, cutoff_hz, stride, ctx);
    butterworth_highpass(second_memory, second, 0, cutoff_hz, stride, ctx);
}

void butterworth_lowpass_pair(biquad_state& first_memory, float* first, biquad_state& second_memory,
                              float* second, float cutoff_hz, std::uint32_t stride,
                              const block_context& ctx) {
    butterworth_coefficients k;
    if (butterworth_lowpass_design(cutoff_hz, ctx.sample_rate, k)) {
        run_biquad_pair(first_memory, first, second_memory, second, stride, ctx.frame_count, k);
        return;
    }
    butterworth_lowpass(first_memory, first, 0, cutoff_hz, stride, ctx);
    butterworth_lowpass(second_memory, second, 0, cutoff_hz, stride, ctx);
}

}  // namespace ambiora
