// Bass redirection: the crossover's response on L, R and C, what the LFE receives and how the
// switches scale it.
#include <gtest/gtest.h>

#include <array>
#include <complex>

#include "matrix_test_support.h"

namespace ambiora {
namespace {

using matrix_test::amplitude_at;
using matrix_test::sine;
using matrix_test::test_block;

using channels = std::array<std::vector<float>, frame_width>;

// One second of `hz` in L, R and C (amplitudes 1, 0.5, 0.25) and 0.1 DC in the LFE, redirected
// with `tweak` applied to the switches; the six channels that come out.
channels redirected(double hz, const std::function<void(block_context&)>& tweak) {
    surround_engine engine;
    test_block block(44100, 44100);
    block.set_channel(slot_l, sine(44100, hz, 44100));
    block.set_channel(slot_r, sine(44100, hz, 44100, 0.5));
    block.set_channel(slot_c, sine(44100, hz, 44100, 0.25));
    block.set_channel(slot_lfe, std::vector<float>(44100, 0.1f));
    block.ctx.bass_redirect_on = 1;
    block.ctx.bass_redirect_hz = 80;
    tweak(block.ctx);
    redirect_bass(engine, block.ctx);
    channels out;
    for (std::uint32_t s = 0; s < frame_width; ++s) out[s] = block.channel(s);
    return out;
}

TEST(RedirectBass, FrontsLoseTheBassTheLfeGetsItAtMinus10Db) {
    // The analog Butterworth high-pass H(w) = -w^2 / (1 - w^2 + j sqrt2 w), w = f / 80 Hz (the
    // bilinear warping is negligible this far below Nyquist); the LFE gets 1 - H of each front.
    for (const double hz : {20.0, 80.0, 800.0}) {
        SCOPED_TRACE(hz);
        const double w = hz / 80.0;
        const std::complex<double> denominator(1.0 - w * w, std::sqrt(2.0) * w);
        const double kept = w * w / std::abs(denominator);
        const double removed =
            std::abs(std::complex<double>(1.0, std::sqrt(2.0) * w)) / std::abs(denominator);
        const channels b = redirected(hz, [](block_context&) {});
        EXPECT_NEAR(amplitude_at(b[slot_l], hz, 44100, 22050), kept, 2e-3);
        EXPECT_NEAR(amplitude_at(b[slot_c], hz, 44100, 22050), 0.25 * kept, 1e-3);
        // L, R and C are in phase, so their removed parts add: 1 + 0.5 + 0.25, at -10 dB.
        EXPECT_NEAR(amplitude_at(b[slot_lfe], hz, 44100, 22050), 0.316 * 1.75 * removed, 3e-3);
        EXPECT_EQ(b[slot_sl][0], 0.0f) << "the surrounds are not touched";
    }
}

TEST(RedirectBass, TrimInvertAndBoostScaleOnlyTheRedirectedPart) {
    auto lfe_tone = [](const std::function<void(block_context&)>& tweak) {
        const channels b = redirected(20, tweak);
        const std::vector<float>& lfe = b[slot_lfe];
        double dc = 0;
        for (std::uint32_t k = 22050; k < 44100; ++k) dc += lfe[k];
        EXPECT_NEAR(dc / 22050, 0.1, 1e-3) << "the LFE's own signal stays";
        return std::pair{amplitude_at(lfe, 20, 44100, 22050), lfe[30000] - 0.1};
    };
    const auto plain = lfe_tone([](block_context&) {});
    const auto trimmed = lfe_tone([](block_context& c) { c.bass_trim_db = 6; });
    const auto inverted = lfe_tone([](block_context& c) { c.bass_invert = 1; });
    const auto boosted = lfe_tone([](block_context& c) { c.bass_plus10db = 1; });
    EXPECT_NEAR(trimmed.first / plain.first, db_to_factor(6), 1e-4);
    EXPECT_NEAR(boosted.first / plain.first, 1.0 / 0.316, 1e-4);
    EXPECT_NEAR(inverted.second, -plain.second, 1e-6);
}

TEST(RedirectBass, OffOrAtZeroHzPassesEverythingAndAddsNothing) {
    for (const auto& tweak : std::vector<std::function<void(block_context&)>>{
             [](block_context& c) { c.bass_redirect_on = 0; },
             [](block_context& c) { c.bass_redirect_hz = 0; }}) {
        const channels b = redirected(20, tweak);
        const std::vector<float> source = sine(44100, 20, 44100);
        for (std::uint32_t k = 0; k < 44100; k += 97) {
            ASSERT_EQ(b[slot_l][k], source[k]);
            ASSERT_EQ(b[slot_lfe][k], 0.1f);
        }
    }
}

}  // namespace
}  // namespace ambiora
