// The decoders' shared ending for the surround channels: band-limit, then delay.
//
// Rear speakers carry mostly ambience and the leakage of the matrix; a 7 kHz low-pass keeps the
// sibilance that leaks backwards from pulling dialogue towards the rear, and the delay lets the
// fronts arrive first so that the listener localises to the front (precedence). Modes marked so in
// the mode table ("Ambiora-AS2" and the headphone modes) keep the full surround band, and so does
// every mode below 44.1 kHz, where the band is already narrow.
#include <algorithm>
#include <cstdint>

#include "engine/surround_engine.h"
#include "modes.h"
#include "matrix/biquad_sections.h"

namespace ambiora {
namespace {

constexpr float surround_cutoff_hz = 7000.0f;
constexpr std::int32_t lowest_rate_for_lowpass = 44100;

}  // namespace

void post_process_surround(surround_engine& engine, block_context& ctx) {
    // With both rear speakers muted there is nothing to shape; their memories stay as they were.
    if (ctx.speaker_on[speaker_sl] == 0 && ctx.speaker_on[speaker_sr] == 0) return;

    surround_ending_state& state = engine.surround_ending;
    float* work = ctx.work->data;
    if (!mode_behaviour(ctx.mode).full_surround_band &&
        ctx.sample_rate >= lowest_rate_for_lowpass) {
        butterworth_lowpass_pair(state.lowpass[0], work + slot_sl, state.lowpass[1], work + slot_sr,
                                 surround_cutoff_hz, frame_width, ctx);
    }

    // A delay of 0 ms leaves the lines alone (content and length). The setting is never negative;
    // a negative value is treated as 0 rather than wrapped into an enormous delay.
    if (ctx.surround_delay_ms > 0) {
        const std::uint32_t delay_us = std::uint32_t(std::min<std::int64_t>(
            std::int64_t(ctx.surround_delay_ms) * 1000, std::int64_t(UINT32_MAX)));
        delay_channel(state.delay[0], delay_us, ctx, work, slot_sl);
        delay_channel(state.delay[1], delay_us, ctx, work, slot_sr);
    }
}

}  // namespace ambiora
