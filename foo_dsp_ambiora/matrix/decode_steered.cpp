// The logic-steered matrix decoder: an adaptive matrix in two bands.
//
// The source is split at 1200 Hz. In each band a detector measures how far the sound leans
// left/right and front/back, and the matrix coefficients move with it: a sound that clearly comes
// from one direction is steered there and taken out of the other outputs, which a fixed matrix
// cannot do. Splitting the band lets a voice in the middle and effects at the sides steer
// independently.
//
// Each steering value v becomes two weights, exp(-0.839 max(v, 0)) and exp(0.839 min(v, 0)): both
// are 1 for neutral steering, and whichever side v leans to falls to 0.1449 at the limit ln 10.
// Only one of the pair can differ from 1, so each value costs a single exponential.
//
// The per-frame work runs over tiles of frames: the weights of a tile first (a plain loop of
// exponentials over contiguous arrays, which the compiler turns into SIMD code; see
// batch_exp_log.h), then the matrix, then the mix-down. Everything between the float band samples
// and the store into the frame is double precision, rounded once.
#include <algorithm>
#include <bit>
#include <cmath>

#include "engine/surround_engine.h"
#include "matrix/band_steering.h"
#include "matrix/batch_exp_log.h"
#include "matrix/biquad_sections.h"
#include "matrix/matrix_common.h"

namespace ambiora {
namespace {

constexpr float band_split_hz = 1200.0f;
constexpr float input_gain = 0.707f;
constexpr float steering_rate = 0.839f;
constexpr float mono_surround_gain = 0.707f;
constexpr float width_step = 0.006666667f;  // 1/150: the share of the centre per percent of width
constexpr float centre_floor = 0.333f;      // what the centre keeps at full width
constexpr float virtual_centre_share = 0.5f;

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
// weight is 0 to double precision long before. (The smoothed steering stays near +-ln 10 but can
// stall far beyond it at the highest rates; see steering_detector.cpp.)
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

template <bool first_band>
void decode_band(const float* pairs, const steering_weights& w, std::uint32_t count,
                 bool single_surround, band_sum& sum) {
    if (single_surround)
        decode_band<true, first_band>(pairs, w, count, sum);
    else
        decode_band<false, first_band>(pairs, w, count, sum);
}

// Per-block settings of the mix-down, worked out once.
struct mixdown {
    double centre_gain;    // trim
    double surround_gain;  // trim, times 0.707 for a single surround
    bool single_surround;
    bool virtual_centre;
    double side_share;   // of the centre, added to each of L and R
    double centre_keep;  // of the centre, left in C
    speaker_factors on;
};

mixdown mixdown_of(const block_context& ctx) {
    mixdown m{};
    m.centre_gain = db_to_factor(ctx.centre_trim_db);
    m.single_surround = ctx.mode == mode_as;
    m.surround_gain = db_to_factor(ctx.surround_trim_db);
    if (m.single_surround) m.surround_gain = mono_surround_gain * m.surround_gain;
    m.virtual_centre = ctx.virtual_centre != 0;
    const std::int32_t width = ctx.centre_width_pct;
    if (m.virtual_centre) {
        m.side_share = virtual_centre_share;
        m.centre_keep = 0.0;
    } else {
        // At width 0 the centre keeps 0.99966667 of its level; at 100 each side gets 2/3 of it
        // and the centre keeps 1/3.
        m.side_share = width * double(width_step);
        m.centre_keep = (100 - width) * double(width_step) + centre_floor;
    }
    m.on = speaker_factors_of(ctx);
    return m;
}

// The virtual centre is a template argument so that each variant is a loop without branches.
template <bool virtual_centre>
void write_frames(const band_sum& sum, std::uint32_t count, const mixdown& m, float* frame) {
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

// Splits L and R into `high` (above 1200 Hz) and `low` (the rest), both interleaved pairs, so
// that high + low is the source sample for sample.
//
// Below 2400 Hz the split frequency is at or beyond Nyquist: there is no band above it, and the
// high-pass then passes nothing, so the whole source is treated as low band. The high band's
// detector sees silence and stays neutral.
void split_bands(surround_engine& engine, const block_context& ctx) {
    const std::uint32_t frames = ctx.frame_count;
    const float* frame = ctx.work->data;
    float* high = engine.band_high.data;
    float* low = engine.band_low.data;
    for (std::size_t k = 0; k < frames; ++k, frame += frame_width) {
        high[2 * k] = frame[slot_l];
        high[2 * k + 1] = frame[slot_r];
    }
    butterworth_highpass_pair(engine.band_split[0], high, engine.band_split[1], high + 1,
                              band_split_hz, 2, ctx);
    frame = ctx.work->data;
    for (std::size_t k = 0; k < frames; ++k, frame += frame_width) {
        low[2 * k] = frame[slot_l] - high[2 * k];
        low[2 * k + 1] = frame[slot_r] - high[2 * k + 1];
    }
}

}  // namespace

void decode_steered(surround_engine& engine, block_context& ctx) {
    const std::uint32_t frames = ctx.frame_count;
    engine.band_high.resize_discarding(2 * frames);
    engine.band_low.resize_discarding(2 * frames);
    engine.steer_lr_high.resize_discarding(frames);
    engine.steer_fb_high.resize_discarding(frames);
    engine.steer_lr_low.resize_discarding(frames);
    engine.steer_fb_low.resize_discarding(frames);

    split_bands(engine, ctx);
    detect_band_steering(
        {engine.band_high.data, engine.steer_lr_high_memory, engine.steer_fb_high_memory,
         engine.steer_lr_high.data, engine.steer_fb_high.data},
        {engine.band_low.data, engine.steer_lr_low_memory, engine.steer_fb_low_memory,
         engine.steer_lr_low.data, engine.steer_fb_low.data},
        ctx);

    const mixdown m = mixdown_of(ctx);
    steering_weights weights;
    band_sum sum;
    for (std::uint32_t start = 0; start < frames; start += tile_frames) {
        const std::uint32_t count = std::min(tile_frames, frames - start);
        compute_weights(engine.steer_lr_high.data + start, engine.steer_fb_high.data + start, count,
                        weights);
        decode_band<true>(engine.band_high.data + 2 * start, weights, count, m.single_surround,
                          sum);
        compute_weights(engine.steer_lr_low.data + start, engine.steer_fb_low.data + start, count,
                        weights);
        decode_band<false>(engine.band_low.data + 2 * start, weights, count, m.single_surround,
                           sum);
        float* frames_of_tile = ctx.work->data + std::size_t(start) * frame_width;
        if (m.virtual_centre)
            write_frames<true>(sum, count, m, frames_of_tile);
        else
            write_frames<false>(sum, count, m, frames_of_tile);
    }

    post_process_surround(engine, ctx);
}

}  // namespace ambiora
