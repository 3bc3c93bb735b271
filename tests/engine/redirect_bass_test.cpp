// Bass redirection: what L, R and C keep, what the LFE receives and how the switches scale it.
#include <numeric>

#include "engine_test_support.h"

namespace ambiora::engine_test {
namespace {

struct bass_settings {
    std::int32_t on = 1, crossover_hz = 80, trim_db = 0, invert = 0, plus10db = 0;
};

// One second of `hz` in L, R and C (amplitudes 1, 0.5 and 0.25) and 0.1 of DC in the LFE,
// redirected at 44.1 kHz.
void redirect(test_block& block, double hz, const bass_settings& s) {
    block.set_channel(slot_l, sine(44100, hz, 44100));
    block.set_channel(slot_r, sine(44100, hz, 44100, 0.5));
    block.set_channel(slot_c, sine(44100, hz, 44100, 0.25));
    block.set_channel(slot_lfe, std::vector<float>(44100, 0.1f));
    block.ctx.bass_redirect_on = s.on;
    block.ctx.bass_redirect_hz = s.crossover_hz;
    block.ctx.bass_trim_db = s.trim_db;
    block.ctx.bass_invert = s.invert;
    block.ctx.bass_plus10db = s.plus10db;
    surround_engine engine;
    redirect_bass(engine, block.ctx);
}

// The crossover is the pre-warped Butterworth high-pass H = -w^2 / (1 - w^2 + j sqrt2 w), with w =
// tan(pi f / fs) / tan(pi 80 / fs); the LFE receives 1 - H of L, R and C (in phase here, so
// 1 + 0.5 + 0.25) at 0.316, or scaled by the switches, on top of its own signal. Switched off or
// at 0 Hz nothing moves.
TEST(RedirectBass, FrontsKeepTheTopAndTheLfeReceivesTheRestAt0316ScaledByTheSwitches) {
    const struct {
        double hz;
        bass_settings settings;
        double lfe_gain;
    } cases[] = {{20, {}, 0.316},          {80, {}, 0.316},
                 {800, {}, 0.316},         {20, {.trim_db = 6}, 0.316 * 1.99526},
                 {20, {.plus10db = 1}, 1}, {20, {.invert = 1}, -0.316},
                 {20, {.on = 0}, 0},       {20, {.crossover_hz = 0}, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hz << " Hz, LFE at " << c.lfe_gain);
        const double w =
            std::tan(std::numbers::pi * c.hz / 44100) / std::tan(std::numbers::pi * 80 / 44100);
        const std::complex<double> kept =
            c.lfe_gain == 0 ? 1.0 : -w * w / std::complex<double>(1 - w * w, std::sqrt(2.0) * w);
        test_block b(44100, 44100);
        redirect(b, c.hz, c.settings);
        EXPECT_LT(std::abs(response_at(b.channel(slot_l), c.hz, 44100, 22050) - kept), 1e-4);
        EXPECT_LT(std::abs(response_at(b.channel(slot_c), c.hz, 44100, 22050) - 0.25 * kept), 1e-4);
        const std::vector<float> lfe = b.channel(slot_lfe);
        EXPECT_LT(std::abs(response_at(lfe, c.hz, 44100, 22050) - 1.75 * c.lfe_gain * (1.0 - kept)),
                  1e-4);
        EXPECT_NEAR(std::accumulate(lfe.begin() + 22050, lfe.end(), 0.0) / 22050, 0.1, 1e-4);
        EXPECT_EQ(b.channel(slot_sl), std::vector<float>(44100, 0.0f));
    }
}

}  // namespace
}  // namespace ambiora::engine_test
