// The logic-steered matrix decoder: an adaptive matrix in two bands.
//
// The source is split at 1200 Hz. In each band a detector measures how far the sound leans
// left/right and front/back, and the matrix coefficients move with it: a sound that clearly comes
// from one direction is steered there and taken out of the other outputs, which a fixed matrix
// cannot do. Splitting the band lets a voice in the middle and effects at the sides steer
// independently.
//
// The per-frame loops (weights, matrix, mix-down) are in steered_loops.h, built for several
// instruction sets; this file splits the bands, runs the detectors and hands over the block.
#include <algorithm>
#include <bit>
#include <cmath>

#include "engine/surround_engine.h"
#include "matrix/band_steering.h"
#include "matrix/biquad_sections.h"
#include "matrix/matrix_common.h"
#include "matrix/steered_kernels.h"

namespace ambiora {
namespace {

constexpr float band_split_hz = 1200.0f;
constexpr float mono_surround_gain = 0.707f;
constexpr float width_step = 0.006666667f;  // 1/150: the share of the centre per percent of width
constexpr float centre_floor = 0.333f;      // what the centre keeps at full width
constexpr float virtual_centre_share = 0.5f;

steered_mixdown mixdown_of(const block_context& ctx) {
    steered_mixdown m{};
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

    const steered_block block = {engine.band_high.data,
                                 engine.band_low.data,
                                 engine.steer_lr_high.data,
                                 engine.steer_fb_high.data,
                                 engine.steer_lr_low.data,
                                 engine.steer_fb_low.data,
                                 frames,
                                 ctx.work->data};
    fastest_steered_kernels().decode_block(block, mixdown_of(ctx));

    post_process_surround(engine, ctx);
}

}  // namespace ambiora
