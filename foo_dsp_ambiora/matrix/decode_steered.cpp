// The logic-steered matrix decoder: an adaptive matrix in two bands.
//
// The source is split at 1200 Hz. In each band a detector measures how far the sound leans
// left/right and front/back, and the matrix coefficients move with it: a sound that clearly comes
// from one direction is steered there and taken out of the other outputs, which a fixed matrix
// cannot do. Splitting the band lets a voice in the middle and effects at the sides steer
// independently.
//
// The per-frame loops (weights, matrix, mix-down) are in steered_loops.h, built for several
// instruction sets; this file works out the mix-down and runs the three parts in turn.
#include "engine/speaker_switches.h"
#include "engine/surround_engine.h"
#include "modes.h"
#include "matrix/split_and_detect.h"
#include "matrix/steered_kernels.h"

namespace ambiora {
namespace {

constexpr float mono_surround_gain = 0.707f;
constexpr float width_step = 0.006666667f;  // 1/150: the share of the centre per percent of width
constexpr float centre_floor = 0.333f;      // what the centre keeps at full width
constexpr float virtual_centre_share = 0.5f;

steered_mixdown mixdown_of(const block_context& ctx) {
    steered_mixdown m{};
    m.centre_gain = db_to_factor(ctx.centre_trim_db);
    m.single_surround = mode_behaviour(ctx.mode).single_surround;
    m.surround_gain = db_to_factor(ctx.surround_trim_db);
    if (m.single_surround) m.surround_gain = mono_surround_gain * m.surround_gain;
    m.virtual_centre = ctx.virtual_centre != 0;
    const std::int32_t width = ctx.centre_width_pct;
    if (m.virtual_centre) {
        m.side_share = virtual_centre_share;
        m.centre_keep = 0.0;
    } else {
        // At width 0 the centre keeps 0.99966667 of its level; at 100 each side gets 2/3 of it
        // and the centre keeps 1/3. The difference is taken in double, where it is exact for every
        // stored width: a damaged one near -2^31 would overflow it in int.
        m.side_share = width * double(width_step);
        m.centre_keep = (100.0 - double(width)) * double(width_step) + centre_floor;
    }
    m.on = speaker_factors_of(ctx);
    return m;
}

}  // namespace

void decode_steered(surround_engine& engine, block_context& ctx) {
    steered_decoder_state& state = engine.steered_decoder;
    const std::uint32_t frames = ctx.frame_count;
    state.band_high.resize_discarding(2 * frames);
    state.band_low.resize_discarding(2 * frames);
    state.steer_lr_high.resize_discarding(frames);
    state.steer_fb_high.resize_discarding(frames);
    state.steer_lr_low.resize_discarding(frames);
    state.steer_fb_low.resize_discarding(frames);

    split_and_detect_steering(state, ctx);

    const steered_block block = {state.band_high.data,
                                 state.band_low.data,
                                 state.steer_lr_high.data,
                                 state.steer_fb_high.data,
                                 state.steer_lr_low.data,
                                 state.steer_fb_low.data,
                                 frames,
                                 ctx.work->data};
    fastest_steered_kernels().decode_block(block, mixdown_of(ctx));

    post_process_surround(engine, ctx);
}

}  // namespace ambiora
