// A reset leaves nothing of the stream before it: afterwards every mode gives, bit for bit, what
// an engine that never saw a block gives.
#include "engine_test_support.h"

namespace ambiora::engine_test {
namespace {

// Every path, with every optional stage on. The headphone modes come last, so that the history
// ends with frames held and a convolution tail.
constexpr struct probe {
    std::int32_t mode, channels;
} probes[] = {{mode_plus_c, 2}, {mode_as, 2},      {mode_asr, 2},       {mode_as2, 2},
              {mode_encode, 4}, {mode_encode2, 6}, {mode_headphone, 2}, {mode_headphone_movie, 6}};

// A block longer than one headphone block, so that those modes give output too.
std::vector<float> run_block(surround_engine& engine, const probe& p, unsigned seed) {
    test_block b(9000, 44100, p.mode);
    b.ctx.input_channels = p.channels;
    fill_busy(b, seed);
    process_block(engine, b.ctx);
    return b.samples();
}

// Each engine is built for its probe: separately planned transforms may round differently.
TEST(ResetEngine, LeavesNoTraceInAnyMode) {
    for (const probe& p : probes) {
        SCOPED_TRACE(testing::Message() << "mode " << p.mode);
        surround_engine engine;
        build_engine(engine);
        const std::vector<float> expected = run_block(engine, p, 1);
        for (const probe& earlier : probes) run_block(engine, earlier, 100);
        reset_engine(engine);
        const std::vector<float> after_reset = run_block(engine, p, 1);
        destroy_engine(engine);
        ASSERT_EQ(after_reset.size(), expected.size());
        EXPECT_EQ(std::memcmp(after_reset.data(), expected.data(), expected.size() * sizeof(float)),
                  0);
    }
}

}  // namespace
}  // namespace ambiora::engine_test
