// Where the sound of one band is coming from: two log ratios per frame, smoothed at 7.95 Hz.
//
// lr compares the left and right magnitudes, fb the in-phase (L + R, front) and out-of-phase
// (L - R, back) magnitudes. Each ratio is "dominant + 0.1 x other" over "other + 0.1 x dominant",
// so it stays within [0.1, 10] and its log within +-ln 10 however one-sided the sound is.
//
// The ratios are formed in double precision from the float samples. That is what keeps a signal
// fading into the smallest floats harmless: 0.1 x a subnormal float is still a normal double, so
// a denominator is zero only when both of its magnitudes are zero, and that case (digital silence
// on the band) is caught and reads as neutral steering. Nothing infinite or NaN can reach the
// smoother, whose memory would otherwise carry it for the rest of the stream.
#include <cmath>

#include "engine/surround_engine.h"

namespace ambiora {
namespace {

constexpr float leak = 0.1f;
constexpr float smoothing_hz = 7.95f;

// log((p + 0.1 q) / (q + 0.1 p)) for magnitudes p, q >= 0; 0 when both are 0.
double dominance(double p, double q) {
    if (p == 0.0 && q == 0.0) return 0.0;
    return std::log((p + leak * q) / (q + leak * p));
}

}  // namespace

void steering_detector(const float* pairs, biquad_state& lr_memory, biquad_state& fb_memory,
                       float* lr_out, float* fb_out, const block_context& ctx) {
    const std::uint32_t frames = ctx.frame_count;
    for (std::uint32_t k = 0; k < frames; ++k) {
        const double x = pairs[2 * k];
        const double y = pairs[2 * k + 1];
        lr_out[k] = float(dominance(std::fabs(x), std::fabs(y)));
        fb_out[k] = float(dominance(std::fabs(x + y), std::fabs(x - y)));
    }
    butterworth_lowpass(lr_memory, lr_out, 0, smoothing_hz, 1, ctx);
    butterworth_lowpass(fb_memory, fb_out, 0, smoothing_hz, 1, ctx);
}

}  // namespace ambiora
