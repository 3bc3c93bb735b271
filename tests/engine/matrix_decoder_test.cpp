// The passive and the logic-steered matrix decoders and their surround ending.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "engine/surround_engine.h"
#include "matrix_test_support.h"

namespace ambiora {
namespace {

using matrix_test::noise;
using matrix_test::run_in_chunks;
using matrix_test::same_bits;
using matrix_test::test_block;

const float ln10 = float(std::numbers::ln10);

struct outputs {
    float l, r, c, lfe, sl, sr;
};

outputs frame_of(test_block& b, std::uint32_t k) {
    return {b.at(k, slot_l),   b.at(k, slot_r),  b.at(k, slot_c),
            b.at(k, slot_lfe), b.at(k, slot_sl), b.at(k, slot_sr)};
}

void fill_constant(test_block& b, float l, float r) {
    for (std::uint32_t k = 0; k < b.frames(); ++k) {
        b.at(k, slot_l) = l;
        b.at(k, slot_r) = r;
        b.at(k, slot_lfe) = 0.25f;  // something a decoder may or may not keep
    }
}

// ---------------------------------------------------------------------------------------------
// decode_passive

TEST(DecodePassive, HardLeftAndHardRightReachEveryOutputWithTheRightSign) {
    surround_engine engine;
    test_block block(4, 32000, mode_plus_c);  // below 44.1 kHz: no surround low-pass
    block.ctx.surround_delay_ms = 0;
    block.at(0, slot_l) = 1.0f;
    block.at(1, slot_r) = 1.0f;
    block.at(2, slot_l) = 1.0f;
    block.at(2, slot_r) = 1.0f;
    block.at(0, slot_lfe) = 0.25f;
    decode_passive(engine, block.ctx);
    const outputs left = frame_of(block, 0), right = frame_of(block, 1), both = frame_of(block, 2);
    EXPECT_FLOAT_EQ(left.l, 0.5f);
    EXPECT_EQ(left.r, 0.0f);
    EXPECT_FLOAT_EQ(left.c, 0.3535f);
    EXPECT_FLOAT_EQ(left.sl, 0.3535f);
    EXPECT_FLOAT_EQ(left.sr, 0.3535f);
    EXPECT_EQ(left.lfe, 0.25f);  // untouched
    EXPECT_FLOAT_EQ(right.r, 0.5f);
    EXPECT_FLOAT_EQ(right.c, 0.3535f);
    EXPECT_FLOAT_EQ(right.sl, -0.3535f);
    EXPECT_FLOAT_EQ(both.c, 0.707f);
    EXPECT_EQ(both.sl, 0.0f);
}

TEST(DecodePassive, TrimsSwitchesAndVirtualCentre) {
    const double plus6 = std::pow(10.0, 6 * 0.05);
    {
        surround_engine engine;
        test_block block(1, 32000, mode_plus_c);
        block.ctx.centre_trim_db = 6;
        block.ctx.surround_trim_db = -6;
        block.ctx.speaker_on[speaker_r] = 0;
        block.at(0, slot_l) = 1.0f;
        block.at(0, slot_r) = 0.5f;
        decode_passive(engine, block.ctx);
        const outputs o = frame_of(block, 0);
        EXPECT_FLOAT_EQ(o.l, 0.5f);
        EXPECT_EQ(o.r, 0.0f);
        EXPECT_NEAR(o.c, 0.707 * 0.75 * plus6, 1e-6);
        EXPECT_NEAR(o.sl, 0.707 * 0.25 / plus6, 1e-6);
        EXPECT_EQ(o.sl, o.sr);
    }
    {
        surround_engine engine;
        test_block block(1, 32000, mode_plus_c);
        block.ctx.virtual_centre = 1;
        block.ctx.centre_trim_db = 6;
        block.ctx.centre_width_pct = 100;  // ignored by this decoder
        block.at(0, slot_l) = 1.0f;
        decode_passive(engine, block.ctx);
        const outputs o = frame_of(block, 0);
        EXPECT_EQ(o.c, 0.0f);
        EXPECT_NEAR(o.l, 0.5 + 0.5 * plus6 * 0.3535, 1e-6);
        EXPECT_NEAR(o.r, 0.5 * plus6 * 0.3535, 1e-6);
    }
}

// ---------------------------------------------------------------------------------------------
// decode_steered: settled DC figures
//
// From a cold start the float-stored 7.95 Hz smoother stops short of its target, so the settled
// figures are checked from primed memories: the band split has seen the DC for ever (its high
// band is 0) and the low band's smoothers hold the settled steering values.

void prime_settled(surround_engine& engine, float l, float r, float lr, float fb) {
    engine.band_split[0] = {l, l, 0.0f, 0.0f};
    engine.band_split[1] = {r, r, 0.0f, 0.0f};
    engine.steer_lr_low_memory = {lr, lr, lr, lr};
    engine.steer_fb_low_memory = {fb, fb, fb, fb};
}

outputs settled_dc(std::int32_t mode, std::int32_t fs, float l, float r, float lr, float fb,
                   std::int32_t width = 0) {
    surround_engine engine;
    prime_settled(engine, l, r, lr, fb);
    test_block block(300, fs, mode);
    block.ctx.centre_width_pct = width;
    fill_constant(block, l, r);
    decode_steered(engine, block.ctx);
    EXPECT_NEAR(engine.steer_fb_low.data[299], fb, 1e-5);
    EXPECT_NEAR(engine.steer_lr_low.data[299], lr, 1e-5);
    EXPECT_EQ(engine.steer_fb_high.data[299], 0.0f);
    const outputs first = frame_of(block, 0), last = frame_of(block, 299);
    EXPECT_EQ(first.c, last.c) << "primed memories must not move";
    return last;
}

constexpr double figure = 1e-4;  // the figures are given to four places
constexpr double width0 = 0.99966667;

TEST(DecodeSteeredSettled, FrontCentre) {
    // Mode 4 has no surround low-pass, so SL and SR show the matrix itself.
    const outputs o = settled_dc(mode_as2, 44100, 1.0f, 1.0f, 0.0f, ln10);
    EXPECT_NEAR(o.l, 0.0731, figure);
    EXPECT_NEAR(o.r, 0.0731, figure);
    EXPECT_NEAR(o.c, 0.9584, figure);
    EXPECT_NEAR(o.sl, 0.0256, figure);
    EXPECT_NEAR(o.sr, -0.0256, figure);
    EXPECT_EQ(o.lfe, 0.0f);
    const outputs mono = settled_dc(mode_as, 32000, 1.0f, 1.0f, 0.0f, ln10);
    EXPECT_NEAR(mono.sl, 0.0, 1e-6);
    EXPECT_EQ(mono.sl, mono.sr);
}

TEST(DecodeSteeredSettled, HardLeftAndItsMirror) {
    const outputs o = settled_dc(mode_as2, 48000, 1.0f, 0.0f, ln10, 0.0f);
    EXPECT_NEAR(o.l, 0.6777, figure);
    EXPECT_NEAR(o.r, 0.0, figure);
    EXPECT_NEAR(o.c, 0.0519 * width0, figure);
    EXPECT_NEAR(o.sl, 0.0627, figure);
    EXPECT_NEAR(o.sr, 0.0364, figure);
    // Hard right is the mirror image, with the surrounds' signs inverted.
    const outputs m = settled_dc(mode_as2, 48000, 0.0f, 1.0f, -ln10, 0.0f);
    EXPECT_NEAR(m.l, 0.0, figure);
    EXPECT_NEAR(m.r, 0.6777, figure);
    EXPECT_NEAR(m.c, 0.0519 * width0, figure);
    EXPECT_NEAR(m.sl, -0.0364, figure);
    EXPECT_NEAR(m.sr, -0.0627, figure);
}

TEST(DecodeSteeredSettled, Back) {
    const outputs o = settled_dc(mode_as2, 44100, 1.0f, -1.0f, 0.0f, -ln10);
    EXPECT_NEAR(o.l, 0.0731, figure);
    EXPECT_NEAR(o.r, -0.0731, figure);
    EXPECT_NEAR(o.c, 0.0, figure);
    EXPECT_NEAR(o.sl, 0.9249, figure);
    EXPECT_NEAR(o.sr, 0.9249, figure);
    const outputs mono = settled_dc(mode_as, 32000, 1.0f, -1.0f, 0.0f, -ln10);
    EXPECT_NEAR(mono.sl, 0.6778, figure);
    EXPECT_EQ(mono.sl, mono.sr);
}

TEST(DecodeSteeredSettled, CentreWidthAndVirtualCentre) {
    const double centre = 0.9587;
    const outputs wide = settled_dc(mode_as2, 44100, 1.0f, 1.0f, 0.0f, ln10, 100);
    EXPECT_NEAR(wide.c, centre * 0.333, figure);
    EXPECT_NEAR(wide.l, 0.0731 + centre * 100 * 0.006666667, figure);
    EXPECT_NEAR(wide.r, wide.l, 1e-7);

    surround_engine engine;
    prime_settled(engine, 1.0f, 1.0f, 0.0f, ln10);
    test_block block(8, 44100, mode_as2);
    fill_constant(block, 1.0f, 1.0f);
    block.ctx.virtual_centre = 1;
    block.ctx.centre_width_pct = 100;  // ignored with a virtual centre
    block.ctx.centre_trim_db = -6;
    decode_steered(engine, block.ctx);
    const outputs o = frame_of(block, 7);
    EXPECT_EQ(o.c, 0.0f);
    EXPECT_NEAR(o.l, 0.0731 + 0.5 * centre * std::pow(10.0, -6 * 0.05), figure);
}

TEST(DecodeSteeredSettled, TrimsAndSpeakerSwitches) {
    surround_engine engine;
    prime_settled(engine, 1.0f, -1.0f, 0.0f, -ln10);
    test_block block(8, 44100, mode_as2);
    fill_constant(block, 1.0f, -1.0f);
    block.ctx.surround_trim_db = 6;
    block.ctx.speaker_on[speaker_l] = 0;
    block.ctx.speaker_on[speaker_sr] = 0;
    decode_steered(engine, block.ctx);
    const outputs o = frame_of(block, 7);
    EXPECT_EQ(o.l, 0.0f);
    EXPECT_NEAR(o.r, -0.0731, figure);
    EXPECT_NEAR(o.sl, 0.9249 * std::pow(10.0, 6 * 0.05), 3 * figure);
    EXPECT_EQ(o.sr, 0.0f);
}

// ---------------------------------------------------------------------------------------------
// decode_steered: dynamics

TEST(DecodeSteered, SilenceStaysNeutralAndSilent) {
    surround_engine engine;
    test_block block(5000, 44100, mode_asr);
    decode_steered(engine, block.ctx);
    for (std::uint32_t k = 0; k < block.frames(); ++k) {
        ASSERT_EQ(engine.steer_lr_high.data[k], 0.0f);
        ASSERT_EQ(engine.steer_fb_high.data[k], 0.0f);
        ASSERT_EQ(engine.steer_lr_low.data[k], 0.0f);
        ASSERT_EQ(engine.steer_fb_low.data[k], 0.0f);
        for (std::uint32_t s = 0; s < frame_width; ++s) ASSERT_EQ(block.at(k, s), 0.0f);
    }
}

TEST(DecodeSteered, ColdStartSmootherStallsShortOfLn10) {
    // The float memory of the 7.95 Hz low-pass stops moving once a step is below half a float
    // step; at 44.1 kHz a front-centre DC settles near 2.21, not ln 10. This pins the storage
    // precision of the memories.
    surround_engine engine;
    test_block block(3 * 44100, 44100, mode_asr);
    fill_constant(block, 1.0f, 1.0f);
    decode_steered(engine, block.ctx);
    const float fb = engine.steer_fb_low.data[block.frames() - 1];
    EXPECT_GT(fb, 2.15f);
    EXPECT_LT(fb, 2.27f);
}

TEST(DecodeSteered, SmootherThatStoppedBeingANumberStartsAfresh) {
    surround_engine engine;
    const float inf = std::numeric_limits<float>::infinity();
    engine.steer_fb_low_memory = {0.0f, 0.0f, inf, -inf};
    test_block block(64, 44100, mode_asr);
    block.set_channel(slot_l, noise(64, 12));
    decode_steered(engine, block.ctx);
    for (std::uint32_t k = 0; k < 64; ++k) {
        ASSERT_EQ(engine.steer_fb_low.data[k], 0.0f);
        for (std::uint32_t s = 0; s < frame_width; ++s) ASSERT_TRUE(std::isfinite(block.at(k, s)));
    }
    EXPECT_EQ(engine.steer_fb_low_memory.y1, 0.0f);
    block.set_channel(slot_l, noise(64, 13));
    block.set_channel(slot_r, noise(64, 14));
    decode_steered(engine, block.ctx);
    EXPECT_NE(engine.steer_fb_low.data[63], 0.0f);
}

TEST(DecodeSteered, BandsAddUpToTheSource) {
    surround_engine engine;
    test_block block(3000, 44100, mode_asr);
    block.set_channel(slot_l, noise(3000, 1));
    block.set_channel(slot_r, noise(3000, 2));
    const std::vector<float> l = block.channel(slot_l);
    decode_steered(engine, block.ctx);
    for (std::uint32_t k = 0; k < 3000; ++k)
        ASSERT_NEAR(engine.band_high.data[2 * k] + engine.band_low.data[2 * k], l[k], 1e-6);
    // The split is a 1200 Hz high-pass: a 100 Hz tone lands almost entirely in the low band.
    test_block tone(44100, 44100, mode_asr);
    tone.set_channel(slot_l, matrix_test::sine(44100, 100, 44100));
    surround_engine fresh;
    decode_steered(fresh, tone.ctx);
    std::vector<float> high(44100);
    for (std::uint32_t k = 0; k < 44100; ++k) high[k] = fresh.band_high.data[2 * k];
    EXPECT_NEAR(matrix_test::amplitude_at(high, 100, 44100, 22050), 0.0069, 0.0005);
}

TEST(DecodeSteered, ChunksOfAnySizeEqualOneWholeBlock) {
    for (const std::int32_t mode : {mode_plus_c, mode_as, mode_asr, mode_headphone}) {
        SCOPED_TRACE(mode);
        auto decode = [mode](surround_engine& e, block_context& ctx) {
            if (mode == mode_plus_c)
                decode_passive(e, ctx);
            else
                decode_steered(e, ctx);
        };
        test_block whole(9000, 44100, mode);
        whole.ctx.surround_delay_ms = 20;
        whole.ctx.centre_width_pct = 40;
        whole.set_channel(slot_l, noise(9000, 21));
        whole.set_channel(slot_r, noise(9000, 22));
        const std::vector<float> source(whole.data(), whole.data() + 9000 * frame_width);
        surround_engine whole_engine;
        decode(whole_engine, whole.ctx);
        for (const std::uint32_t chunk : {1u, 7u, 4096u}) {
            SCOPED_TRACE(chunk);
            test_block chunked(9000, 44100, mode);
            chunked.ctx = whole.ctx;
            chunked.ctx.work = &chunked.work;
            std::copy(source.begin(), source.end(), chunked.data());
            surround_engine engine;
            run_in_chunks(chunked, chunk, [&](block_context& ctx) { decode(engine, ctx); });
            EXPECT_TRUE(same_bits(chunked.data(), whole.data(), source.size()));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The surround ending

bool lowpass_ran(std::int32_t mode, std::int32_t fs) {
    surround_engine engine;
    test_block block(256, fs, mode);
    block.set_channel(slot_l, noise(256, 7));
    if (mode == mode_plus_c)
        decode_passive(engine, block.ctx);
    else
        decode_steered(engine, block.ctx);
    return engine.surround_lowpass[0].y1 != 0.0f && engine.surround_lowpass[1].y1 != 0.0f;
}

TEST(SurroundEnding, LowPassOnlyInModesOneToThreeFrom44100) {
    EXPECT_TRUE(lowpass_ran(mode_plus_c, 44100));
    EXPECT_TRUE(lowpass_ran(mode_as, 48000));
    EXPECT_TRUE(lowpass_ran(mode_asr, 44100));
    EXPECT_TRUE(lowpass_ran(mode_asr, 96000));
    EXPECT_FALSE(lowpass_ran(mode_plus_c, 32000));
    EXPECT_FALSE(lowpass_ran(mode_asr, 32000));
    EXPECT_FALSE(lowpass_ran(mode_asr, 44099));
    EXPECT_FALSE(lowpass_ran(mode_as2, 48000));
    EXPECT_FALSE(lowpass_ran(mode_headphone, 44100));
    EXPECT_FALSE(lowpass_ran(mode_headphone_movie, 48000));
}

TEST(SurroundEnding, LowPassShapesTheSurroundAt7kHz) {
    // A hard-left tone reaches the passive surround at 0.3535; 7 kHz is the corner.
    for (const double hz : {1000.0, 7000.0, 15000.0}) {
        surround_engine engine;
        test_block block(44100, 44100, mode_plus_c);
        block.set_channel(slot_l, matrix_test::sine(44100, hz, 44100));
        decode_passive(engine, block.ctx);
        const double expected =
            0.3535 / std::sqrt(1 + std::pow(std::tan(std::numbers::pi * hz / 44100) /
                                                std::tan(std::numbers::pi * 7000 / 44100),
                                            4));
        EXPECT_NEAR(matrix_test::amplitude_at(block.channel(slot_sr), hz, 44100, 22050), expected,
                    0.002)
            << hz;
    }
}

TEST(SurroundEnding, BothRearSpeakersOffSkipsFilterAndDelay) {
    surround_engine engine;
    const biquad_state primed{0.5f, 0.25f, 0.125f, 0.0625f};
    engine.surround_lowpass[0] = primed;
    test_block block(2000, 44100, mode_asr);
    block.ctx.surround_delay_ms = 20;
    block.ctx.speaker_on[speaker_sl] = 0;
    block.ctx.speaker_on[speaker_sr] = 0;
    block.set_channel(slot_l, noise(2000, 8));
    decode_steered(engine, block.ctx);
    EXPECT_EQ(engine.surround_lowpass[0].x1, primed.x1);
    EXPECT_EQ(engine.surround_lowpass[0].y2, primed.y2);
    EXPECT_EQ(engine.surround_lowpass[1].y1, 0.0f);
    EXPECT_EQ(engine.surround_delay_line[0].size, 0u);
    EXPECT_EQ(engine.surround_delay_line[1].size, 0u);

    // One rear speaker on is enough for both to be processed.
    block.ctx.speaker_on[speaker_sr] = 1;
    decode_steered(engine, block.ctx);
    EXPECT_NE(engine.surround_lowpass[0].x1, primed.x1);
    EXPECT_EQ(engine.surround_delay_line[0].size, 881u);
    EXPECT_EQ(engine.surround_delay_line[1].size, 881u);
}

TEST(SurroundEnding, DelayHoldsBackBothSurroundsOnly) {
    surround_engine engine;
    test_block block(2000, 48000, mode_as2);
    block.ctx.surround_delay_ms = 20;
    block.set_channel(slot_l, noise(2000, 9));
    decode_steered(engine, block.ctx);
    for (std::uint32_t k = 0; k < 959; ++k) {
        ASSERT_EQ(block.at(k, slot_sl), 0.0f);
        ASSERT_EQ(block.at(k, slot_sr), 0.0f);
    }
    EXPECT_NE(block.at(959, slot_sl), 0.0f);
    EXPECT_NE(block.at(0, slot_l), 0.0f);
}

}  // namespace
}  // namespace ambiora
