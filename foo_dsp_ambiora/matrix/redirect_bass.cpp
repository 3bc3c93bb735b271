// Bass redirection: L, R and C lose what lies below the crossover, and the LFE channel receives
// the sum of what was removed.
#include <cmath>

#include "engine/surround_engine.h"

namespace ambiora {
namespace {

constexpr float minus_10db = 0.316f;

struct highpass_coefficients {
    double b0, a1, a2;  // numerator is b0 x (1, -2, 1)
};

// Second-order Butterworth high-pass by the bilinear transform with pre-warping, for a crossover
// and a rate above 0 (redirect_bass passes everything through otherwise).
//
// The settings keep the crossover between 10 and 200 Hz, far below any real sample rate. A
// damaged configuration or an absurd rate could still put it at or above half the rate, where
// tan() turns negative or infinite and the filter would be unstable. We hold the cutoff just
// below half the rate instead: the filter then removes practically everything, which is what a
// crossover that high means, and stays bounded.
highpass_coefficients bass_highpass_coefficients(std::int32_t cutoff_hz, std::int32_t rate) {
    constexpr float pi = 3.1415927f;
    constexpr float sqrt2 = 1.4142135f;
    const double ratio = std::fmin(double(cutoff_hz) / double(rate), 0.49);
    const double t = std::tan(double(pi) * ratio);
    const double d = t * t + double(sqrt2) * t + 1.0;
    return {1.0 / d, 2.0 * (t * t - 1.0) / d, (t * t - double(sqrt2) * t + 1.0) / d};
}

// Filters one channel in place and adds what it removed to `removed`.
void split_channel(biquad_state& m, const highpass_coefficients& k, float* data,
                   std::uint32_t frames, float* removed) {
    for (std::uint32_t i = 0; i < frames; ++i, data += frame_width) {
        const float x = *data;
        const float y =
            static_cast<float>(k.b0 * (double(x) - 2.0 * m.x1 + m.x2) - k.a1 * m.y1 - k.a2 * m.y2);
        m.x2 = m.x1;
        m.x1 = x;
        m.y2 = m.y1;
        m.y1 = y;
        *data = y;
        removed[i] = static_cast<float>(double(removed[i]) + (double(x) - double(y)));
    }
}

}  // namespace

void redirect_bass(surround_engine& engine, block_context& ctx) {
    bass_redirect_state& state = engine.bass_redirect;
    const std::uint32_t n = ctx.frame_count;
    state.removed.resize_discarding(n);
    for (std::uint32_t i = 0; i < n; ++i) state.removed.data[i] = 0.0f;
    if (ctx.bass_redirect_on == 0) return;
    // A crossover at 0 Hz (or a rate that is no rate) has nothing below it to remove: L, R and C
    // pass unchanged and the LFE gets nothing. The memories wait for a real crossover.
    if (ctx.bass_redirect_hz <= 0 || ctx.sample_rate <= 0) return;

    double g = db_to_factor(ctx.bass_trim_db);
    if (ctx.bass_invert != 0) g = -g;
    if (ctx.bass_plus10db == 0) g *= minus_10db;

    const highpass_coefficients k =
        bass_highpass_coefficients(ctx.bass_redirect_hz, ctx.sample_rate);
    float* frames = ctx.work->data;
    split_channel(state.highpass[0], k, frames + slot_l, n, state.removed.data);
    split_channel(state.highpass[1], k, frames + slot_r, n, state.removed.data);
    split_channel(state.highpass[2], k, frames + slot_c, n, state.removed.data);

    float* lfe = frames + slot_lfe;
    for (std::uint32_t i = 0; i < n; ++i, lfe += frame_width) {
        *lfe = static_cast<float>(*lfe + g * state.removed.data[i]);
    }
}

}  // namespace ambiora
