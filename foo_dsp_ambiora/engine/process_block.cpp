#include "engine/surround_engine.h"
#include "modes.h"

namespace ambiora {
namespace {

constexpr float pass_through_db = -3.0f;

// The headphone responses are the same at every rate; they are only meant for 44.1 to 48 kHz.
bool headphone_rate(std::int32_t rate) {
    return rate >= 44100 && rate <= 48000;
}

// Picks and runs the stages for this block by the mode's path and the source's channel count.
// Returns false when the block must leave the engine exactly as it came in (a headphone mode at a
// rate it does not serve).
bool run_stages(surround_engine& engine, block_context& ctx, mode_path path) {
    const std::int32_t channels = ctx.input_channels;
    const bool stereo = channels == 2;
    const bool surround = channels >= 4 && channels <= 6;

    if (path == mode_path::passive_decoder && stereo) {
        decode_passive(engine, ctx);
        redirect_bass(engine, ctx);
        ctx.output_channels = 6;
    } else if (path == mode_path::steered_decoder && stereo) {
        decode_steered(engine, ctx);
        redirect_bass(engine, ctx);
        ctx.output_channels = 6;
    } else if (path == mode_path::headphones && (stereo || surround)) {
        if (!headphone_rate(ctx.sample_rate)) return false;
        if (stereo) decode_steered(engine, ctx);
        render_headphone(engine, ctx);
        ctx.output_channels = 2;
    } else if (path == mode_path::mono_encoder && surround) {
        fold_for_encode(ctx);
        encode_mono_surround(engine, ctx);
        ctx.output_channels = 2;
    } else if (path == mode_path::stereo_encoder && surround) {
        fold_for_encode2(ctx);
        encode_stereo_surround(engine, ctx);
        ctx.output_channels = 2;
    } else {
        // Bypass, and every source a mode does not serve (one, three, seven or more channels, a
        // decoder given several, an encoder given two), keeps its layout.
        apply_gain_db(ctx, pass_through_db);
    }
    return true;
}

}  // namespace

void process_block(surround_engine& engine, block_context& ctx) {
    ctx.output_channels = ctx.input_channels;
    const mode_path path = mode_behaviour(ctx.mode).path;

    // The headphone rendering is calibrated without these; the settings themselves keep their
    // values for when the user returns to a loudspeaker mode.
    if (path == mode_path::headphones) {
        ctx.centre_width_pct = 0;
        ctx.centre_trim_db = 0;
        ctx.surround_trim_db = 0;
        ctx.bass_redirect_on = 0;
        ctx.virtual_centre = 0;
    }

    const std::uint32_t frames_in = ctx.frame_count;
    if (!run_stages(engine, ctx, path)) {
        contain_non_finite(engine, 0);  // nothing was written
        silence_non_finite_output(engine, ctx);
        return;
    }

    if (path != mode_path::headphones) append_headphone_silence(engine, ctx);
    apply_gain_db(ctx, float(ctx.master_gain_db));
    contain_non_finite(engine, frames_in);
    silence_non_finite_output(engine, ctx);
}

}  // namespace ambiora
