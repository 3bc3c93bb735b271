// The passive and the logic-steered decoders and their surround ending: the figures each gives for
// known inputs and trims, where the surround low-pass runs, and the surround delay's length.
#include <limits>

#include "engine_test_support.h"

namespace ambiora::engine_test {
namespace {

const double plus6 = std::pow(10.0, 0.3);
constexpr double u = std::numeric_limits<double>::quiet_NaN();  // not checked

// Every level is derived with the float nearest 0.05 as the twentieth, so -20 dB is not 0.1.
TEST(DecibelFactor, UsesTheSinglePrecisionTwentieth) {
    EXPECT_NEAR(db_to_factor(-20), 0.0999999965688809, 1e-15);
    EXPECT_NEAR(db_to_factor(6), 1.995262335506828, 1e-14);
}

// The settings the decoder tables vary.
struct decoder_settings {
    std::int32_t width = 0, virtual_centre = 0, centre_db = 0, surround_db = 0;
    unsigned muted = 0;  // bit k mutes speaker k

    void apply(block_context& ctx) const {
        ctx.centre_width_pct = width;
        ctx.virtual_centre = virtual_centre;
        ctx.centre_trim_db = centre_db;
        ctx.surround_trim_db = surround_db;
        for (unsigned k = 0; k < speaker_count; ++k) ctx.speaker_on[k] = (muted >> k & 1) == 0;
    }
};

// One frame through the passive decoder at 32 kHz (below the surround low-pass), with 0.25 in the
// LFE, which this decoder leaves alone, and a centre width of 100, which it ignores.
TEST(DecodePassive, GainsTrimsSwitchesAndVirtualCentre) {
    const double centre = 0.707 * 0.75 * plus6, surround = 0.707 * 0.25 / plus6;
    const double left = 0.5 + 0.5 * plus6 * 0.3535, right = 0.5 * plus6 * 0.3535;
    const struct {
        float l, r;
        decoder_settings settings;
        double expected[frame_width];  // L, R, C, LFE, SL, SR
    } cases[] = {
        {1, 0, {100, 0, 0, 0, 0}, {0.5, 0, 0.3535, 0.25, 0.3535, 0.3535}},
        {0, 1, {100, 0, 0, 0, 0}, {0, 0.5, 0.3535, 0.25, -0.3535, -0.3535}},
        {1, 1, {100, 0, 0, 0, 0}, {0.5, 0.5, 0.707, 0.25, 0, 0}},
        {1, 0.5f, {100, 0, 6, -6, 1 << speaker_r}, {0.5, 0, centre, 0.25, surround, surround}},
        {1, 0, {100, 1, 6, 0, 0}, {left, right, 0, 0.25, 0.3535, 0.3535}}};
    for (const auto& c : cases) {
        surround_engine engine;
        test_block block(1, 32000, mode_plus_c);
        block.at(0, slot_l) = c.l;
        block.at(0, slot_r) = c.r;
        block.at(0, slot_lfe) = 0.25f;
        c.settings.apply(block.ctx);
        decode_passive(engine, block.ctx);
        for (unsigned slot = 0; slot < frame_width; ++slot)
            EXPECT_NEAR(block.at(0, slot), c.expected[slot], 1e-6)
                << c.l << c.r << ", slot " << slot;
    }
}

// Two seconds of DC from a clean start, in the host's usual chunk size: the smoothers must reach
// the limits +-ln 10 (a float-rounded feedback would freeze near 2.21) and the outputs the fully
// steered figures, given to four places. Mode 4 has no surround low-pass, so SL and SR show the
// matrix itself; mode 2 puts its single surround on both.
TEST(DecodeSteered, SettledFiguresForCentreSideAndBackWithWidthTrimsAndSwitches) {
    const double centre = 0.9587;  // C before the centre width takes its share
    const double side = 0.0519 * 0.99966667, wide = 0.0731 + centre / 1.5;
    const double folded = 0.0731 + 0.5 * centre / plus6, back = 0.9249 * plus6;
    const double far_keep = (100.0 + 2147483648.0) / 150 + 0.333;  // at width -2^31
    const unsigned l_and_sr = 1 << speaker_l | 1 << speaker_sr;
    const struct {
        std::int32_t mode, fs;
        float l, r;
        decoder_settings settings;
        double expected[frame_width];  // L, R, C, LFE, SL, SR
    } cases[] = {
        {mode_as2, 44100, 1, 1, {}, {0.0731, 0.0731, 0.9584, 0, 0.0256, -0.0256}},
        {mode_as, 48000, 1, 1, {}, {u, u, u, 0, 0, 0}},
        {mode_as2, 48000, 1, 0, {}, {0.6777, 0, side, 0, 0.0627, 0.0364}},
        // Hard right is the mirror image of hard left, with the surrounds' signs inverted.
        {mode_as2, 48000, 0, 1, {}, {0, 0.6777, side, 0, -0.0364, -0.0627}},
        {mode_as2, 44100, 1, -1, {}, {0.0731, -0.0731, 0, 0, 0.9249, 0.9249}},
        {mode_as, 44100, 1, -1, {}, {u, u, u, 0, 0.6778, 0.6778}},
        // At full width each side gets 2/3 of the centre and the centre keeps 1/3; a damaged stored
        // width of -2^31 follows the same line as any other, without overflow.
        {mode_as2, 44100, 1, 1, {100}, {wide, wide, centre * 0.333, 0, 0.0256, -0.0256}},
        {mode_as2, 44100, 1, 1, {INT32_MIN}, {u, u, centre * far_keep, 0, u, u}},
        // A virtual centre ignores the width and puts half the trimmed centre on each side.
        {mode_as2, 44100, 1, 1, {100, 1, -6}, {folded, folded, 0, 0, 0.0256, -0.0256}},
        {mode_as2, 44100, 1, -1, {0, 0, 0, 6, l_and_sr}, {0, -0.0731, 0, 0, back, 0}}};
    surround_engine engine;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", L " << c.l << ", R " << c.r
                                        << ", width " << c.settings.width);
        reset_engine(engine);
        test_block block(2 * c.fs, c.fs, c.mode);
        block.set_channel(slot_l, std::vector<float>(block.ctx.frame_count, c.l));
        block.set_channel(slot_r, std::vector<float>(block.ctx.frame_count, c.r));
        block.set_channel(slot_lfe, std::vector<float>(block.ctx.frame_count, 0.25f));
        c.settings.apply(block.ctx);
        const std::vector<float> out = run_in_chunks(engine, block, 4096, decode_steered);
        for (unsigned slot = 0; slot < frame_width; ++slot) {
            const double expected = c.expected[slot];
            if (std::isnan(expected)) continue;
            EXPECT_NEAR(out[out.size() - frame_width + slot], expected,
                        1.5e-4 * std::max(1.0, std::fabs(expected)))
                << "slot " << slot;
        }
    }
}

// The 7 kHz surround low-pass runs in modes 1 to 3 from 44.1 kHz, never in mode 4 or the headphone
// modes; with both rear speakers muted neither it nor the delay runs, and one is enough for both.
TEST(SurroundEnding, LowPassAndDelayRunWhereTheModeRateAndRearSpeakersCallForThem) {
    const struct {
        std::int32_t mode, fs;
        bool sl_on, sr_on, lowpass;
    } cases[] = {
        {mode_plus_c, 44100, true, true, true},  {mode_as, 48000, true, true, true},
        {mode_asr, 96000, true, true, true},     {mode_asr, 44100, false, true, true},
        {mode_plus_c, 32000, true, true, false}, {mode_asr, 44099, true, true, false},
        {mode_as2, 48000, true, true, false},    {mode_headphone, 44100, true, true, false},
        {mode_asr, 44100, false, false, false},  {mode_headphone_movie, 48000, true, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "mode " << c.mode << " at " << c.fs << ", rear " << c.sl_on << c.sr_on);
        surround_engine engine;
        const biquad_state primed = {0.5f, 0.25f, 0.125f, 0.0625f};
        engine.surround_ending.lowpass[0] = engine.surround_ending.lowpass[1] = primed;
        test_block block(256, c.fs, c.mode);
        block.set_channel(slot_l, noise(256, 7));
        block.ctx.surround_delay_ms = 20;
        block.ctx.speaker_on[speaker_sl] = c.sl_on;
        block.ctx.speaker_on[speaker_sr] = c.sr_on;
        (c.mode == mode_plus_c ? decode_passive : decode_steered)(engine, block.ctx);
        const surround_ending_state& ending = engine.surround_ending;
        for (const biquad_state& memory : ending.lowpass)
            EXPECT_EQ(std::memcmp(&memory, &primed, sizeof primed) != 0, c.lowpass);
        EXPECT_EQ(ending.delay[0].ring.size != 0, c.sl_on || c.sr_on);
        EXPECT_EQ(ending.delay[1].ring.size != 0, c.sl_on || c.sr_on);
    }
}

// One line through a run of rates and delays. The length is truncated from single-precision
// microseconds (20 ms at 44.1 kHz is 881 frames, not 882), and every change of length starts from
// silence rather than replaying what was queued for another.
TEST(SurroundDelay, LengthsAreTruncatedAndEveryChangeStartsFromSilence) {
    const struct {
        std::int32_t fs;
        unsigned delay_us, frames;
    } steps[] = {{44100, 20000, 881},
                 {44100, 10000, 440},
                 {48000, 20000, 959},
                 {900, 1000, 0},  // 0.9 frames: no delay, and no division by zero
                 {44100, 20000, 881}};
    delay_line line;
    unsigned seed = 1;
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << step.delay_us << " us at " << step.fs);
        test_block block(2000, step.fs);
        std::vector<float> in = noise(2000, seed++);
        for (float& s : in) s = 0.5f + 0.25f * s;  // never silent
        block.set_channel(slot_sl, in);
        delay_channel(line, step.delay_us, block.ctx, block.work.data, slot_sl);
        const std::vector<float> out = block.channel(slot_sl);
        for (unsigned k = 0; k < 2000; ++k)
            ASSERT_EQ(out[k], k < step.frames ? 0.0f : in[k - step.frames]) << k;
        EXPECT_EQ(line.ring.size, step.frames);
    }
}

}  // namespace
}  // namespace ambiora::engine_test
