#include "engine/surround_engine.h"

namespace ambiora {
namespace {

constexpr float pass_through_db = -3.0f;

bool is_headphone(std::int32_t mode) { return mode == mode_headphone || mode == mode_headphone_movie; }

// The headphone responses are the same at every rate; they are only meant for 44.1 to 48 kHz.
bool headphone_rate(std::int32_t rate) { return rate >= 44100 && rate <= 48000; }

// Picks and runs the stages for this block. Returns false when the block must leave the engine
// exactly as it came in (a headphone mode at a rate it does not serve).
bool run_stages(surround_engine& engine, block_context& ctx) {
    const std::int32_t channels = ctx.input_channels;
    const std::int32_t mode = ctx.mode;

    if (channels == 2) {
        switch (mode) {
            case mode_plus_c:
                decode_passive(engine, ctx);
                redirect_bass(engine, ctx);
                ctx.output_channels = 6;
                return true;
            case mode_as:
            case mode_asr:
            case mode_as2:
                decode_steered(engine, ctx);
                redirect_bass(engine, ctx);
                ctx.output_channels = 6;
                return true;
            case mode_headphone:
            case mode_headphone_movie:
                if (!headphone_rate(ctx.sample_rate)) return false;
                decode_steered(engine, ctx);
                render_headphone(engine, ctx);
                ctx.output_channels = 2;
                return true;
            default:
                apply_gain_db(ctx, pass_through_db);
                return true;
        }
    }
    if (channels >= 4 && channels <= 6) {
        switch (mode) {
            case mode_headphone:
            case mode_headphone_movie:
                if (!headphone_rate(ctx.sample_rate)) return false;
                render_headphone(engine, ctx);
                ctx.output_channels = 2;
                return true;
            case mode_encode:
                fold_for_encode(ctx);
                encode_mono_surround(engine, ctx);
                ctx.output_channels = 2;
                return true;
            case mode_encode2:
                fold_for_encode2(ctx);
                encode_stereo_surround(engine, ctx);
                ctx.output_channels = 2;
                return true;
            default:
                apply_gain_db(ctx, pass_through_db);
                return true;
        }
    }
    // One, three, seven or more channels: nothing here serves them.
    apply_gain_db(ctx, pass_through_db);
    return true;
}

}  // namespace

void process_block(surround_engine& engine, block_context& ctx) {
    ctx.output_channels = ctx.input_channels;

    // The headphone rendering is calibrated without these; the settings themselves keep their
    // values for when the user returns to a loudspeaker mode.
    if (is_headphone(ctx.mode)) {
        ctx.centre_width_pct = 0;
        ctx.centre_trim_db = 0;
        ctx.surround_trim_db = 0;
        ctx.bass_redirect_on = 0;
        ctx.virtual_centre = 0;
    }

    const std::uint32_t frames_in = ctx.frame_count;
    if (!run_stages(engine, ctx)) {
        contain_non_finite(engine, 0);  // nothing was written
        return;
    }

    if (!is_headphone(ctx.mode)) append_headphone_silence(engine, ctx);
    apply_gain_db(ctx, float(ctx.master_gain_db));
    contain_non_finite(engine, frames_in);
}

}  // namespace ambiora
