// A reset leaves nothing of the stream before it: afterwards every mode gives, bit for bit, what
// an engine that never saw a block gives.
#include "matrix_test_support.h"

namespace ambiora::matrix_test {
namespace {

struct probe {
    std::int32_t mode;
    std::uint32_t channels;
};

// Every matrix path, with the bass redirection and the surround delay on.
constexpr probe probes[] = {{mode_plus_c, 2}, {mode_as, 2},     {mode_asr, 2},
                            {mode_as2, 2},    {mode_encode, 4}, {mode_encode2, 6}};

std::vector<float> run_block(surround_engine& engine, const probe& p, std::uint32_t seed) {
    test_block b(2048, 44100, p.mode);
    b.ctx.input_channels = std::int32_t(p.channels);
    b.ctx.bass_redirect_on = 1;
    b.ctx.bass_redirect_hz = 120;
    b.ctx.surround_delay_ms = 20;
    b.ctx.centre_width_pct = 30;
    for (std::uint32_t slot = 0; slot < frame_width; ++slot)
        b.set_channel(slot, noise(b.frames(), seed + slot, 0.5f));
    process_block(engine, b.ctx);
    return {b.data(), b.data() + std::size_t(b.ctx.frame_count) * frame_width};
}

TEST(reset_engine, leaves_no_trace_in_any_mode) {
    surround_engine used;
    for (const probe& p : probes) {
        SCOPED_TRACE(testing::Message() << "mode " << p.mode);
        surround_engine fresh;
        const std::vector<float> expected = run_block(fresh, p, 1);
        // Every path leaves its history, then the reset must take all of it away.
        for (const probe& earlier : probes) run_block(used, earlier, 100);
        reset_engine(used);
        const std::vector<float> after_reset = run_block(used, p, 1);
        ASSERT_EQ(after_reset.size(), expected.size());
        EXPECT_TRUE(same_bits(after_reset.data(), expected.data(), expected.size()));
        destroy_engine(fresh);
    }
    destroy_engine(used);
}

}  // namespace
}  // namespace ambiora::matrix_test
