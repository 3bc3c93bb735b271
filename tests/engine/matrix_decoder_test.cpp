// The passive and the logic-steered matrix decoders and their surround ending.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <vector>

#include "engine/surround_engine.h"
#include "matrix_test_support.h"

namespace ambiora {
namespace {

using matrix_test::amplitude_at;
using matrix_test::noise;
using matrix_test::test_block;

const float ln10 = float(std::numbers::ln10);
const double plus6 = std::pow(10.0, 6 * 0.05);

struct outputs {
    float l, r, c, lfe, sl, sr;
};

outputs frame_of(test_block& b, std::uint32_t k) {
    return {b.at(k, slot_l),   b.at(k, slot_r),  b.at(k, slot_c),
            b.at(k, slot_lfe), b.at(k, slot_sl), b.at(k, slot_sr)};
}

void decode(surround_engine& engine, block_context& ctx) {
    if (ctx.mode == mode_plus_c)
        decode_passive(engine, ctx);
    else
        decode_steered(engine, ctx);
}

// decode_passive on one frame at 32 kHz (no surround low-pass), after `tweak` on the settings.
outputs passive_frame(float l, float r, const std::function<void(block_context&)>& tweak = {}) {
    surround_engine engine;
    test_block block(1, 32000, mode_plus_c);
    block.at(0, slot_l) = l;
    block.at(0, slot_r) = r;
    block.at(0, slot_lfe) = 0.25f;
    if (tweak) tweak(block.ctx);
    decode_passive(engine, block.ctx);
    return frame_of(block, 0);
}

TEST(DecodePassive, RoutingTrimsSwitchesAndVirtualCentre) {
    const outputs left = passive_frame(1, 0), right = passive_frame(0, 1),
                  both = passive_frame(1, 1);
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

    const outputs trimmed = passive_frame(1, 0.5f, [](block_context& ctx) {
        ctx.centre_trim_db = 6;
        ctx.surround_trim_db = -6;
        ctx.speaker_on[speaker_r] = 0;
    });
    EXPECT_FLOAT_EQ(trimmed.l, 0.5f);
    EXPECT_EQ(trimmed.r, 0.0f);
    EXPECT_NEAR(trimmed.c, 0.707 * 0.75 * plus6, 1e-6);
    EXPECT_NEAR(trimmed.sl, 0.707 * 0.25 / plus6, 1e-6);
    EXPECT_EQ(trimmed.sl, trimmed.sr);

    const outputs virtual_centre = passive_frame(1, 0, [](block_context& ctx) {
        ctx.virtual_centre = 1;
        ctx.centre_trim_db = 6;
        ctx.centre_width_pct = 100;  // ignored by this decoder
    });
    EXPECT_EQ(virtual_centre.c, 0.0f);
    EXPECT_NEAR(virtual_centre.l, 0.5 + 0.5 * plus6 * 0.3535, 1e-6);
    EXPECT_NEAR(virtual_centre.r, 0.5 * plus6 * 0.3535, 1e-6);
}

// decode_steered on a settled DC, with the memories primed so that one short block shows it: the
// band split has seen the DC for ever (its high band is 0) and the low band's smoothers hold the
// settled steering values `lr` and `fb`.
outputs settled_dc(std::int32_t mode, std::int32_t fs, float l, float r, float lr, float fb,
                   const std::function<void(block_context&)>& tweak = {}) {
    surround_engine engine;
    engine.steered_decoder.band_split[0] = {l, l, 0.0f, 0.0f};
    engine.steered_decoder.band_split[1] = {r, r, 0.0f, 0.0f};
    engine.steered_decoder.steer_lr_low_memory = {lr, lr, lr, lr};
    engine.steered_decoder.steer_fb_low_memory = {fb, fb, fb, fb};
    test_block block(300, fs, mode);
    for (std::uint32_t k = 0; k < block.frames(); ++k) {
        block.at(k, slot_l) = l;
        block.at(k, slot_r) = r;
        block.at(k, slot_lfe) = 0.25f;
    }
    if (tweak) tweak(block.ctx);
    decode_steered(engine, block.ctx);
    EXPECT_NEAR(engine.steered_decoder.steer_fb_low.data[299], fb, 1e-5);
    EXPECT_NEAR(engine.steered_decoder.steer_lr_low.data[299], lr, 1e-5);
    EXPECT_EQ(engine.steered_decoder.steer_fb_high.data[299], 0.0f);
    const outputs first = frame_of(block, 0), last = frame_of(block, 299);
    EXPECT_EQ(first.c, last.c) << "primed memories must not move";
    EXPECT_EQ(last.lfe, 0.0f);
    if (mode == mode_as) {
        EXPECT_EQ(last.sl, last.sr) << "3/1: one surround on both";
    }
    return last;
}

constexpr double figure = 1e-4;  // the figures are given to four places
constexpr double width0 = 0.99966667;
constexpr double unchecked = std::numeric_limits<double>::quiet_NaN();

TEST(DecodeSteeredSettled, FiguresForCentreSideAndBack) {
    // Mode 4 has no surround low-pass, so SL and SR show the matrix itself; mode 2 at 32 kHz
    // shows the mono surround.
    const struct {
        std::int32_t mode, fs;
        float l, r, lr, fb;
        double expected[5];  // L, R, C, SL, SR
    } cases[] = {
        {mode_as2, 44100, 1, 1, 0, ln10, {0.0731, 0.0731, 0.9584, 0.0256, -0.0256}},
        {mode_as, 32000, 1, 1, 0, ln10, {unchecked, unchecked, unchecked, 0, 0}},
        {mode_as2, 48000, 1, 0, ln10, 0, {0.6777, 0, 0.0519 * width0, 0.0627, 0.0364}},
        // Hard right is the mirror image of hard left, with the surrounds' signs inverted.
        {mode_as2, 48000, 0, 1, -ln10, 0, {0, 0.6777, 0.0519 * width0, -0.0364, -0.0627}},
        {mode_as2, 44100, 1, -1, 0, -ln10, {0.0731, -0.0731, 0, 0.9249, 0.9249}},
        {mode_as, 32000, 1, -1, 0, -ln10, {unchecked, unchecked, unchecked, 0.6778, 0.6778}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", L " << c.l << ", R " << c.r);
        const outputs o = settled_dc(c.mode, c.fs, c.l, c.r, c.lr, c.fb);
        const float got[5] = {o.l, o.r, o.c, o.sl, o.sr};
        for (int i = 0; i < 5; ++i) {
            if (!std::isnan(c.expected[i])) {
                EXPECT_NEAR(got[i], c.expected[i], figure) << i;
            }
        }
    }
}

TEST(DecodeSteeredSettled, CentreWidthVirtualCentreTrimsAndSwitches) {
    const double centre = 0.9587;
    const outputs wide = settled_dc(mode_as2, 44100, 1, 1, 0, ln10,
                                    [](block_context& ctx) { ctx.centre_width_pct = 100; });
    EXPECT_NEAR(wide.c, centre * 0.333, figure);
    EXPECT_NEAR(wide.l, 0.0731 + centre * 100 * 0.006666667, figure);
    EXPECT_NEAR(wide.r, wide.l, 1e-7);
    // A damaged stored width of -2^31 follows the same line as any other, without overflow.
    const outputs far = settled_dc(mode_as2, 44100, 1, 1, 0, ln10,
                                   [](block_context& ctx) { ctx.centre_width_pct = INT32_MIN; });
    EXPECT_NEAR(far.c / ((100.0 + 2147483648.0) * 0.006666667 + 0.333), centre, figure);

    const outputs virtual_centre =
        settled_dc(mode_as2, 44100, 1, 1, 0, ln10, [](block_context& ctx) {
            ctx.virtual_centre = 1;
            ctx.centre_width_pct = 100;  // ignored with a virtual centre
            ctx.centre_trim_db = -6;
        });
    EXPECT_EQ(virtual_centre.c, 0.0f);
    EXPECT_NEAR(virtual_centre.l, 0.0731 + 0.5 * centre / plus6, figure);

    const outputs back = settled_dc(mode_as2, 44100, 1, -1, 0, -ln10, [](block_context& ctx) {
        ctx.surround_trim_db = 6;
        ctx.speaker_on[speaker_l] = 0;
        ctx.speaker_on[speaker_sr] = 0;
    });
    EXPECT_EQ(back.l, 0.0f);
    EXPECT_NEAR(back.r, -0.0731, figure);
    EXPECT_NEAR(back.sl, 0.9249 * plus6, 3 * figure);
    EXPECT_EQ(back.sr, 0.0f);
}

TEST(DecodeSteered, SilenceStaysNeutralAndSilent) {
    surround_engine engine;
    test_block block(5000, 44100, mode_asr);
    decode_steered(engine, block.ctx);
    for (std::uint32_t k = 0; k < block.frames(); ++k) {
        for (const aligned_buffer* steer :
             {&engine.steered_decoder.steer_lr_high, &engine.steered_decoder.steer_fb_high,
              &engine.steered_decoder.steer_lr_low, &engine.steered_decoder.steer_fb_low})
            ASSERT_EQ(steer->data[k], 0.0f);
        for (std::uint32_t s = 0; s < frame_width; ++s) ASSERT_EQ(block.at(k, s), 0.0f);
    }
}

TEST(DecodeSteered, ColdStartSettlesOnTheFullySteeredFigures) {
    // From reset, two seconds of DC in the host's usual chunk size: the smoothers must reach the
    // limits +-ln 10 (a float-rounded feedback would freeze near 2.21) and the outputs the
    // fully steered figures.
    struct case_t {
        float l, r;
        outputs expected;
    };
    const case_t cases[] = {{1, 1, {0.0731f, 0.0731f, 0.9584f, 0, 0.0256f, -0.0256f}},
                            {1, 0, {0.6777f, 0.0f, 0.0519f, 0, 0.0627f, 0.0364f}},
                            {1, -1, {0.0731f, -0.0731f, 0.0f, 0, 0.9249f, 0.9249f}}};
    for (const std::int32_t fs : {44100, 48000}) {
        for (const case_t& c : cases) {
            SCOPED_TRACE(testing::Message() << fs << " Hz, L = " << c.l << ", R = " << c.r);
            surround_engine engine;
            test_block block(2 * fs, fs, mode_asr);
            block.set_channel(slot_l, std::vector<float>(block.frames(), c.l));
            block.set_channel(slot_r, std::vector<float>(block.frames(), c.r));
            matrix_test::run_in_chunks(block, 4096,
                                       [&](block_context& ctx) { decode_steered(engine, ctx); });
            const outputs o = frame_of(block, block.frames() - 1);
            EXPECT_NEAR(o.l, c.expected.l, 2e-4);
            EXPECT_NEAR(o.r, c.expected.r, 2e-4);
            EXPECT_NEAR(o.c, c.expected.c, 2e-4);
            EXPECT_NEAR(o.sl, c.expected.sl, 2e-4);
            EXPECT_NEAR(o.sr, c.expected.sr, 2e-4);
        }
    }
}

TEST(DecodeSteered, BandsAddUpToTheSourceSplitAt1200Hz) {
    surround_engine engine;
    test_block block(3000, 44100, mode_asr);
    block.set_channel(slot_l, noise(3000, 1));
    block.set_channel(slot_r, noise(3000, 2));
    const std::vector<float> l = block.channel(slot_l);
    decode_steered(engine, block.ctx);
    for (std::uint32_t k = 0; k < 3000; ++k)
        ASSERT_NEAR(engine.steered_decoder.band_high.data[2 * k] +
                        engine.steered_decoder.band_low.data[2 * k],
                    l[k], 1e-6);
    // A 100 Hz tone lands almost entirely in the low band.
    test_block tone(44100, 44100, mode_asr);
    tone.set_channel(slot_l, matrix_test::sine(44100, 100, 44100));
    surround_engine fresh;
    decode_steered(fresh, tone.ctx);
    std::vector<float> high(44100);
    for (std::uint32_t k = 0; k < 44100; ++k) high[k] = fresh.steered_decoder.band_high.data[2 * k];
    EXPECT_NEAR(amplitude_at(high, 100, 44100, 22050), 0.0069, 0.0005);
}

TEST(Decoders, ChunksOfAnySizeEqualOneWholeBlock) {
    // The steered modes' smoothers round their feedback to float only between blocks, so chunk
    // boundaries move the output by up to about 1e-5 (with one-frame chunks).
    for (const std::int32_t mode : {mode_plus_c, mode_as, mode_asr, mode_headphone}) {
        SCOPED_TRACE(mode);
        const float tolerance = mode == mode_plus_c ? 0.0f : 5e-5f;
        test_block source(9000, 44100, mode);
        source.ctx.surround_delay_ms = 20;
        source.ctx.centre_width_pct = 40;
        source.set_channel(slot_l, noise(9000, 21));
        source.set_channel(slot_r, noise(9000, 22));
        matrix_test::expect_chunk_size_invariant<surround_engine>(source, decode, tolerance);
    }
}

// The surround ending

TEST(SurroundEnding, LowPassOnlyInModesOneToThreeFrom44100) {
    const struct {
        std::int32_t mode, fs;
        bool runs;
    } cases[] = {{mode_plus_c, 44100, true},     {mode_as, 48000, true},
                 {mode_asr, 44100, true},        {mode_asr, 96000, true},
                 {mode_plus_c, 32000, false},    {mode_asr, 32000, false},
                 {mode_asr, 44099, false},       {mode_as2, 48000, false},
                 {mode_headphone, 44100, false}, {mode_headphone_movie, 48000, false}};
    for (const auto& c : cases) {
        surround_engine engine;
        test_block block(256, c.fs, c.mode);
        block.set_channel(slot_l, noise(256, 7));
        decode(engine, block.ctx);
        const bool ran = engine.surround_ending.lowpass[0].y1 != 0.0f &&
                         engine.surround_ending.lowpass[1].y1 != 0.0f;
        EXPECT_EQ(ran, c.runs) << "mode " << c.mode << " at " << c.fs;
    }
}

TEST(SurroundEnding, LowPassShapesTheSurroundAt7kHz) {
    // A hard-left tone reaches the passive surround at 0.3535.
    for (const double hz : {1000.0, 7000.0, 15000.0}) {
        surround_engine engine;
        test_block block(44100, 44100, mode_plus_c);
        block.set_channel(slot_l, matrix_test::sine(44100, hz, 44100));
        decode_passive(engine, block.ctx);
        const double r4 = std::pow(
            std::tan(std::numbers::pi * hz / 44100) / std::tan(std::numbers::pi * 7000 / 44100), 4);
        EXPECT_NEAR(amplitude_at(block.channel(slot_sr), hz, 44100, 22050),
                    0.3535 / std::sqrt(1 + r4), 0.002)
            << hz;
    }
}

TEST(SurroundEnding, DelayHoldsBackBothSurroundsOnlyAndNeedsOneRearSpeaker) {
    surround_engine engine;
    const biquad_state primed{0.5f, 0.25f, 0.125f, 0.0625f};
    engine.surround_ending.lowpass[0] = primed;
    test_block block(2000, 44100, mode_asr);
    block.ctx.surround_delay_ms = 20;
    block.ctx.speaker_on[speaker_sl] = 0;
    block.ctx.speaker_on[speaker_sr] = 0;
    block.set_channel(slot_l, noise(2000, 8));
    decode_steered(engine, block.ctx);
    // Both rear speakers off: neither filter nor delay runs.
    EXPECT_EQ(std::memcmp(&engine.surround_ending.lowpass[0], &primed, sizeof primed), 0);
    EXPECT_EQ(engine.surround_ending.lowpass[1].y1, 0.0f);
    EXPECT_EQ(engine.surround_ending.delay[0].ring.size, 0u);
    EXPECT_EQ(engine.surround_ending.delay[1].ring.size, 0u);

    // One rear speaker on is enough for both to be processed.
    block.ctx.speaker_on[speaker_sr] = 1;
    decode_steered(engine, block.ctx);
    EXPECT_NE(engine.surround_ending.lowpass[0].x1, primed.x1);
    EXPECT_EQ(engine.surround_ending.delay[0].ring.size, 881u);
    EXPECT_EQ(engine.surround_ending.delay[1].ring.size, 881u);

    // 20 ms at 48 kHz: 959 silent frames in both surrounds, none in the fronts.
    surround_engine fresh;
    test_block late(2000, 48000, mode_as2);
    late.ctx.surround_delay_ms = 20;
    late.set_channel(slot_l, noise(2000, 9));
    decode_steered(fresh, late.ctx);
    for (std::uint32_t k = 0; k < 959; ++k) {
        ASSERT_EQ(late.at(k, slot_sl), 0.0f);
        ASSERT_EQ(late.at(k, slot_sr), 0.0f);
    }
    EXPECT_NE(late.at(959, slot_sl), 0.0f);
    EXPECT_NE(late.at(0, slot_l), 0.0f);
}

}  // namespace
}  // namespace ambiora
