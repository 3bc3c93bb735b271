// Bodies of the steered decoder's per-frame loops (see steered_kernels.h). Included by exactly
// one source file per instruction set, which makes its table of them. Everything here has
// internal linkage (and batch_exp_log.h is always inlined), so no function compiled for a wider
// instruction set can ever be picked by the linker to stand in for the baseline one.
//
// Each steering value v becomes two weights, exp(-0.839 max(v, 0)) and exp(0.839 min(v, 0)): both
// are 1 for neutral steering, and whichever side v leans to falls to 0.1449 at the limit ln 10.
// Only one of the pair can differ from 1, so each value costs a single exponential.
//
// The per-frame work runs over tiles of frames: the weights of a tile first (a plain loop of
// exponentials over contiguous arrays), then the matrix, then the mix-down. Everything between the
// float band samples and the store into the frame is double precision, rounded once.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "matrix/batch_exp_log.h"
#include "matrix/steered_kernels.h"

namespace ambiora {
namespace {

// ---------------------------------------------------------------------------------------------
// Dominance: how far one band leans, before smoothing

constexpr float leak = 0.1f;

// log((p + 0.1 q) / (q + 0.1 p)) for magnitudes p, q >= 0; 0 when both are 0; NaN when either
// is NaN or infinite. Each ratio stays within [0.1, 10], so its log stays within +-ln 10 however
// one-sided the sound is.
//
// The ratio is formed in double precision from the float samples: 0.1 x a subnormal float is
// still a normal double, so a denominator is zero only when both of its magnitudes are zero.
// Written without branches, selects or comparisons so that the loop becomes SIMD code (also in
// the 32-bit build): both sides of the ratio get 1e-300 added, which leaves any side that is not 0
// exactly as it was (the smallest is 0.1 x the smallest float, whose last binary place in double
// is still some 1e-62) and turns silence into 1e-300 / 1e-300, whose logarithm is exactly 0.
// x - x, which is 0 for every number, carries a NaN or an infinity through as NaN.
inline float dominance(double p, double q) {
    constexpr double silence_floor = 1e-300;
    const double dominant = (p + leak * q) + silence_floor;
    const double other = (q + leak * p) + silence_floor;
    return float(batch_log_ratio(dominant, other) + ((dominant - dominant) + (other - other)));
}

// lr compares the left and right magnitudes, fb the in-phase (L + R, front) and out-of-phase
// (L - R, back) magnitudes.
void measure_dominance(const float* pairs, float* lr_out, float* fb_out, std::uint32_t frames) {
    for (std::size_t k = 0; k < frames; ++k) {
        const double x = pairs[2 * k];
        const double y = pairs[2 * k + 1];
        lr_out[k] = dominance(std::fabs(x), std::fabs(y));
        fb_out[k] = dominance(std::fabs(x + y), std::fabs(x - y));
    }
}

// ---------------------------------------------------------------------------------------------
// The adaptive matrix

constexpr float input_gain = 0.707f;
constexpr float steering_rate = 0.839f;
constexpr std::uint32_t tile_frames = 128;

// One matrix coefficient: k0 + kl wl + kr wr + kf wf + kb wb.
struct steering_row {
    float k0, kl, kr, kf, kb;
};
// One output of a band: alpha x a + beta x b, with a and b the band's left and right times 0.707.
struct output_row {
    steering_row alpha, beta;
};

constexpr output_row left_row = {{0.273f, -0.293f, 0.13f, 0.299f, 0.299f},
                                 {0.0f, 0.0f, 0.0f, 0.408f, -0.408f}};
constexpr output_row right_row = {{0.0f, 0.0f, 0.0f, 0.408f, -0.408f},
                                  {0.273f, 0.13f, -0.293f, 0.299f, 0.299f}};
constexpr output_row centre_row = {{0.193f, 0.5f, -0.077f, -0.207f, 0.092f},
                                   {0.193f, -0.077f, 0.5f, -0.207f, 0.092f}};
// "Ambiora-AS" has a single surround, the centre's mirror image on the back axis.
constexpr output_row mono_surround_row = {{0.193f, 0.5f, -0.077f, 0.092f, -0.207f},
                                          {-0.193f, 0.077f, -0.5f, -0.092f, 0.207f}};
// SR is SL with left and right exchanged and the sign inverted.
constexpr output_row surround_left_row = {{-0.274f, 0.612f, 0.204f, 0.324f, -0.254f},
                                          {-0.136f, 0.0547f, -0.354f, -0.0649f, 0.146f}};
constexpr output_row surround_right_row = {{0.136f, 0.354f, -0.0547f, 0.0649f, -0.146f},
                                           {0.274f, -0.204f, -0.612f, -0.324f, 0.254f}};

struct steering_weights {
    double left[tile_frames], right[tile_frames], front[tile_frames], back[tile_frames];
};

// The sum of the two bands for each output of one tile, before trims and centre placement.
// With a single surround, `surround_left` and `surround_right` both hold it.
struct band_sum {
    double left[tile_frames], right[tile_frames], centre[tile_frames];
    double surround_left[tile_frames], surround_right[tile_frames];
};

// exp(-0.839 |v|). |v| is held below 800, which keeps the exponential within its range; the
// weight is 0 to double precision long before. (The smoothed steering stays within +-ln 10 in
// practice, but nothing in the arithmetic bounds it; see steering_detector.cpp.)
inline double steering_cut(float v) {
    constexpr std::uint32_t largest_magnitude_bits = 0x44480000u;  // 800.0f
    const std::uint32_t magnitude_bits = std::bit_cast<std::uint32_t>(v) & 0x7fffffffu;
    const float magnitude = std::bit_cast<float>(
        magnitude_bits < largest_magnitude_bits ? magnitude_bits : largest_magnitude_bits);
    return batch_exp(-(double(steering_rate) * double(magnitude)));
}

// when_set where `mask` is all ones, when_clear where it is 0, done on the bits: GCC will not
// vectorise a select that depends on a floating-point comparison.
inline double pick(std::int64_t mask, double when_set, double when_clear) {
    const std::uint64_t m = std::uint64_t(mask);
    return std::bit_cast<double>((std::bit_cast<std::uint64_t>(when_set) & m) |
                                 (std::bit_cast<std::uint64_t>(when_clear) & ~m));
}

// The weights of one tile. The side a value v leans to gets steering_cut(v), the other side 1;
// for v = 0 both are 1 whichever side is picked. `negative` is all ones when v's sign bit is set.
// The detector never hands over a NaN.
void compute_weights(const float* lr, const float* fb, std::uint32_t count, steering_weights& w) {
    for (std::size_t i = 0; i < count; ++i) {
        const double side_cut = steering_cut(lr[i]);
        const double axis_cut = steering_cut(fb[i]);
        const std::int64_t side_negative = std::bit_cast<std::int32_t>(lr[i]) >> 31;
        const std::int64_t axis_negative = std::bit_cast<std::int32_t>(fb[i]) >> 31;
        w.left[i] = pick(side_negative, 1.0, side_cut);
        w.right[i] = pick(side_negative, side_cut, 1.0);
        w.front[i] = pick(axis_negative, 1.0, axis_cut);
        w.back[i] = pick(axis_negative, axis_cut, 1.0);
    }
}

inline double coefficient(const steering_row& row, const steering_weights& w, std::size_t i) {
    return row.k0 + row.kl * w.left[i] + row.kr * w.right[i] + row.kf * w.front[i] +
           row.kb * w.back[i];
}

inline double matrix_output(const output_row& row, const steering_weights& w, std::size_t i,
                            double a, double b) {
    return coefficient(row.alpha, w, i) * a + coefficient(row.beta, w, i) * b;
}

// Decodes one band of one tile into `sum`; the first band sets it, the second adds to it. The
// choices are template arguments so that each loop is straight-line code the compiler vectorises.
template <bool single_surround, bool first_band>
void decode_band(const float* pairs, const steering_weights& w, std::uint32_t count,
                 band_sum& sum) {
    for (std::size_t i = 0; i < count; ++i) {
        const double a = input_gain * double(pairs[2 * i]);
        const double b = input_gain * double(pairs[2 * i + 1]);
        const double left = matrix_output(left_row, w, i, a, b);
        const double right = matrix_output(right_row, w, i, a, b);
        const double centre = matrix_output(centre_row, w, i, a, b);
        double surround_left, surround_right;
        if constexpr (single_surround) {
            // Both surrounds carry the one signal, so the mix-down treats them alike.
            surround_left = matrix_output(mono_surround_row, w, i, a, b);
            surround_right = surround_left;
        } else {
            surround_left = matrix_output(surround_left_row, w, i, a, b);
            surround_right = matrix_output(surround_right_row, w, i, a, b);
        }
        if constexpr (first_band) {
            sum.left[i] = left;
            sum.right[i] = right;
            sum.centre[i] = centre;
            sum.surround_left[i] = surround_left;
            sum.surround_right[i] = surround_right;
        } else {
            sum.left[i] += left;
            sum.right[i] += right;
            sum.centre[i] += centre;
            sum.surround_left[i] += surround_left;
            sum.surround_right[i] += surround_right;
        }
    }
}

// The virtual centre is a template argument so that each variant is a loop without branches.
template <bool virtual_centre>
void write_frames(const band_sum& sum, std::uint32_t count, const steered_mixdown& m,
                  float* frame) {
    for (std::size_t i = 0; i < count; ++i, frame += frame_width) {
        const double centre = m.centre_gain * sum.centre[i];
        const double left = sum.left[i] + m.side_share * centre;
        const double right = sum.right[i] + m.side_share * centre;
        const double surround_left = m.surround_gain * sum.surround_left[i];
        const double surround_right = m.surround_gain * sum.surround_right[i];
        frame[slot_l] = float(left * m.on.left);
        frame[slot_r] = float(right * m.on.right);
        frame[slot_c] = virtual_centre ? 0.0f : float(centre * m.centre_keep * m.on.centre);
        frame[slot_lfe] = 0.0f;
        frame[slot_sl] = float(surround_left * m.on.surround_left);
        frame[slot_sr] = float(surround_right * m.on.surround_right);
    }
}

template <bool single_surround, bool virtual_centre>
void decode_tiles(const steered_block& block, const steered_mixdown& m) {
    steering_weights weights;
    band_sum sum;
    for (std::uint32_t start = 0; start < block.frames; start += tile_frames) {
        const std::uint32_t count = std::min(tile_frames, block.frames - start);
        compute_weights(block.lr_high + start, block.fb_high + start, count, weights);
        decode_band<single_surround, true>(block.high_pairs + 2 * start, weights, count, sum);
        compute_weights(block.lr_low + start, block.fb_low + start, count, weights);
        decode_band<single_surround, false>(block.low_pairs + 2 * start, weights, count, sum);
        write_frames<virtual_centre>(sum, count, m, block.work + std::size_t(start) * frame_width);
    }
}

void decode_block(const steered_block& block, const steered_mixdown& m) {
    if (m.single_surround) {
        if (m.virtual_centre)
            decode_tiles<true, true>(block, m);
        else
            decode_tiles<true, false>(block, m);
    } else {
        if (m.virtual_centre)
            decode_tiles<false, true>(block, m);
        else
            decode_tiles<false, false>(block, m);
    }
}

}  // namespace
}  // namespace ambiora
