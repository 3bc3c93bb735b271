// contain_non_finite: removes exactly the damage (NaN, infinities, magnitudes beyond 2^64) from
// the engine's carried state, and leaves every plausible value as it was.
#include <limits>

#include "engine_test_support.h"

namespace ambiora::engine_test {
namespace {

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

TEST(ContainNonFinite, ClearsADamagedFilterMemoryAsAWholeAndOnlyThatOne) {
    surround_engine& engine = built_engine();
    const biquad_state sane = {0.5f, -0.25f, 1e18f, -3e-39f};
    for (const float bad : {nan, inf, -inf, 1e30f, -3e38f, 2e19f}) {
        reset_engine(engine);
        engine.bass_redirect.highpass[0] = sane;
        engine.bass_redirect.highpass[1] = {0.1f, bad, 0.2f, 0.3f};
        engine.steered_decoder.steer_fb_low_memory = {bad, 0, 0, 0};
        engine.encoders.surround_b.phase_shift.section[0] = sane;  // the network clears as a whole
        engine.encoders.surround_b.phase_shift.section[3].y2 = bad;
        contain_non_finite(engine, 0);
        EXPECT_EQ(std::memcmp(&engine.bass_redirect.highpass[0], &sane, sizeof sane), 0) << bad;
        for (const biquad_state& s :
             {engine.bass_redirect.highpass[1], engine.steered_decoder.steer_fb_low_memory,
              engine.encoders.surround_b.phase_shift.section[0],
              engine.encoders.surround_b.phase_shift.section[3]})
            EXPECT_TRUE(s.x1 == 0 && s.x2 == 0 && s.y1 == 0 && s.y2 == 0) << bad;
    }
}

TEST(ContainNonFinite, RemovesTheBadEntriesThisBlockWroteToLinesFeedsAndTail) {
    surround_engine& engine = built_engine();
    reset_engine(engine);
    // A 64-sample ring whose last block of 10 frames wrapped: it wrote 59..63 and 0..4.
    delay_line& line = engine.surround_ending.delay[1];
    line.restart(64);
    for (unsigned i = 0; i < 64; ++i) line.ring.data[i] = float(i) - 32.0f;
    line.position = 5;
    line.ring.data[2] = nan;
    line.ring.data[59] = -inf;
    line.ring.data[63] = 1e35f;
    // 100 frames wait for the next headphone block, the last 10 of them from this block; what lies
    // beyond them is not stream state and stays as it is.
    headphone_renderer_state& renderer = engine.headphone;
    renderer.feed_fill = 100;
    renderer.speaker_feed[2].data[99] = inf;
    renderer.speaker_feed[4].data[90] = -3e38f;
    renderer.speaker_feed[2].data[98] = 0.75f;
    renderer.speaker_feed[2].data[100] = nan;
    // The block rendered nothing (all its frames still wait), so the tail is as it was.
    renderer.tail_in_use = true;
    renderer.overlap_tail.data[5] = nan;
    renderer.overlap_tail.data[6] = -2.0f;

    contain_non_finite(engine, 10);
    for (unsigned i = 0; i < 64; ++i)
        EXPECT_EQ(line.ring.data[i], (i == 2 || i == 59 || i == 63) ? 0.0f : float(i) - 32.0f) << i;
    EXPECT_EQ(renderer.speaker_feed[2].data[99], 0.0f);
    EXPECT_EQ(renderer.speaker_feed[4].data[90], 0.0f);
    EXPECT_EQ(renderer.speaker_feed[2].data[98], 0.75f);
    EXPECT_TRUE(std::isnan(renderer.speaker_feed[2].data[100]));
    EXPECT_TRUE(std::isnan(renderer.overlap_tail.data[5]));

    // A block of 200 frames that leaves only 100 waiting has rendered one: the tail is checked.
    contain_non_finite(engine, 200);
    EXPECT_EQ(renderer.overlap_tail.data[5], 0.0f);
    EXPECT_EQ(renderer.overlap_tail.data[6], -2.0f);
}

// Within a block, a steering smoother whose memory stopped being a number reads as neutral
// steering and starts afresh, so the decoder's output stays finite.
TEST(ContainNonFinite, ASteeringSmootherThatStoppedBeingANumberStartsAfresh) {
    surround_engine engine;
    engine.steered_decoder.steer_fb_low_memory = {0.0f, 0.0f, inf, -inf};
    test_block block(64, 44100, mode_asr);
    block.set_channel(slot_l, noise(64, 12));
    decode_steered(engine, block.ctx);
    for (unsigned k = 0; k < 64; ++k) ASSERT_EQ(engine.steered_decoder.steer_fb_low.data[k], 0.0f);
    for (const float x : block.samples()) ASSERT_TRUE(std::isfinite(x));
    EXPECT_EQ(engine.steered_decoder.steer_fb_low_memory.y1, 0.0f);
    block.set_channel(slot_r, noise(64, 14));
    decode_steered(engine, block.ctx);
    EXPECT_NE(engine.steered_decoder.steer_fb_low.data[63], 0.0f);
}

}  // namespace
}  // namespace ambiora::engine_test
