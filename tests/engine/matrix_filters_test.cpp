// Butterworth filters and the surround delay.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "engine/surround_engine.h"
#include "matrix_test_support.h"

namespace ambiora {
namespace {

using matrix_test::amplitude_at;
using matrix_test::noise;
using matrix_test::same_bits;
using matrix_test::sine;
using matrix_test::test_block;

// Magnitude of the pre-warped second-order Butterworth response at f for corner fc.
double butterworth_gain(double f, double fc, double fs, bool highpass) {
    const double r = std::tan(std::numbers::pi * f / fs) / std::tan(std::numbers::pi * fc / fs);
    const double r4 = std::pow(r, 4);
    return highpass ? std::sqrt(r4 / (1 + r4)) : std::sqrt(1 / (1 + r4));
}

double filtered_amplitude(bool highpass, float cutoff, double f, std::int32_t fs) {
    test_block block(std::uint32_t(fs), fs);  // one second
    block.set_channel(slot_sl, sine(block.frames(), f, fs));
    biquad_state state;
    if (highpass)
        butterworth_highpass(state, block.data(), slot_sl, cutoff, frame_width, block.ctx);
    else
        butterworth_lowpass(state, block.data(), slot_sl, cutoff, frame_width, block.ctx);
    return amplitude_at(block.channel(slot_sl), f, fs, std::uint32_t(fs / 2));
}

TEST(ButterworthFilters, ResponseIsSecondOrderWithCornerAtCutoff) {
    // At the corner both filters are 3 dB down; a decade away the slope is 40 dB, which tells a
    // second-order filter from a first- or fourth-order one.
    for (const bool highpass : {false, true}) {
        SCOPED_TRACE(highpass ? "high-pass" : "low-pass");
        for (const double f : {100.0, 1000.0, 8000.0}) {
            const double expected = butterworth_gain(f, 1000, 48000, highpass);
            EXPECT_NEAR(filtered_amplitude(highpass, 1000.0f, f, 48000), expected,
                        0.002 + 0.01 * expected)
                << f << " Hz";
        }
    }
    EXPECT_NEAR(filtered_amplitude(false, 7000.0f, 7000, 44100), std::sqrt(0.5), 0.002);
    EXPECT_NEAR(filtered_amplitude(true, 1200.0f, 1200, 44100), std::sqrt(0.5), 0.002);
}

// The documented recurrence written out plainly, for a bit-exact comparison.
std::vector<float> reference_biquad(const std::vector<float>& in, bool highpass, float cutoff,
                                    double fs) {
    // The low-pass is the high-pass design with 1 / k in place of k and the middle sign flipped.
    const double k = std::tan(double(3.1415927f) * cutoff / fs), w = highpass ? k : 1 / k;
    const double norm = 1 / (w * w + double(1.4142135f) * w + 1);
    const double a1 = 2 * norm * (highpass ? w * w - 1 : 1 - w * w);
    const double a2 = norm * (w * w - double(1.4142135f) * w + 1);
    float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    std::vector<float> out(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        const double mid = highpass ? -2.0 * x1 : 2.0 * x1;
        const float y = float(norm * (in[i] + mid + x2) - a1 * y1 - a2 * y2);
        x2 = x1, x1 = in[i], y2 = y1, y1 = y;
        out[i] = y;
    }
    return out;
}

TEST(ButterworthFilters, FollowTheDocumentedArithmeticBitForBit) {
    struct {
        bool highpass;
        float cutoff;
        std::int32_t fs;
    } const cases[] = {{false, 7.95f, 44100},
                       {true, 1200.0f, 48000},
                       {false, 7000.0f, 44100},
                       {true, 100.0f, 8000}};
    for (const auto& c : cases) {
        const std::vector<float> in = noise(3000, 11);
        std::vector<float> pairs(2 * in.size(), 0.5f);  // right-hand side of stereo pairs
        for (std::size_t i = 0; i < in.size(); ++i) pairs[2 * i + 1] = in[i];
        block_context ctx;
        ctx.sample_rate = c.fs;
        ctx.frame_count = std::uint32_t(in.size());
        biquad_state state;
        if (c.highpass)
            butterworth_highpass(state, pairs.data(), 1, c.cutoff, 2, ctx);
        else
            butterworth_lowpass(state, pairs.data(), 1, c.cutoff, 2, ctx);
        const std::vector<float> expected = reference_biquad(in, c.highpass, c.cutoff, c.fs);
        for (std::size_t i = 0; i < in.size(); ++i) {
            ASSERT_EQ(pairs[2 * i], 0.5f) << "left-hand samples must be untouched";
            ASSERT_TRUE(same_bits(&pairs[2 * i + 1], &expected[i], 1)) << c.cutoff << " Hz, " << i;
        }
        EXPECT_EQ(state.x1, in.back());
        EXPECT_EQ(state.y1, expected.back());
        EXPECT_EQ(state.y2, expected[expected.size() - 2]);
    }
}

TEST(ButterworthFiltersAndDelay, ChunksOfAnySizeEqualOneWholeBlock) {
    test_block source(10000, 44100);
    for (std::uint32_t slot = 0; slot < frame_width; ++slot)
        source.set_channel(slot, noise(source.frames(), 100 + slot));
    struct memories {
        biquad_state filter[3];
        delay_line line;
    };
    matrix_test::expect_chunk_size_invariant<memories>(source, [](memories& m, block_context& ctx) {
        butterworth_highpass(m.filter[0], ctx.work->data, slot_l, 1200.0f, frame_width, ctx);
        butterworth_lowpass(m.filter[1], ctx.work->data, slot_sl, 7.95f, frame_width, ctx);
        butterworth_lowpass(m.filter[2], ctx.work->data, slot_sr, 7000.0f, frame_width, ctx);
        delay_channel(m.line, 20000, ctx, ctx.work->data, slot_sr);
    });
}

TEST(ButterworthFilters, CornerAtOrBeyondNyquistPassesAllOrNothing) {
    // A low-pass with nothing above its corner is a wire; a high-pass there removes everything.
    struct {
        float cutoff;
        std::int32_t fs;
    } const cases[] = {{1200.0f, 2400}, {1200.0f, 1000}, {7000.0f, 14000}, {7000.0f, 8000},
                       {100.0f, 150},   {7.95f, 15},     {1000.0f, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.cutoff) + " Hz at " + std::to_string(c.fs));
        test_block block(500, c.fs);
        const std::vector<float> in = noise(500, 3);
        block.set_channel(slot_l, in);
        block.set_channel(slot_r, in);
        biquad_state low, high;
        butterworth_lowpass(low, block.data(), slot_l, c.cutoff, frame_width, block.ctx);
        butterworth_highpass(high, block.data(), slot_r, c.cutoff, frame_width, block.ctx);
        EXPECT_EQ(block.channel(slot_l), in);
        EXPECT_EQ(block.channel(slot_r), std::vector<float>(500, 0.0f));
        // The memories follow the limit filter, ready for a return to an ordinary rate.
        EXPECT_EQ(low.x1, in[499]);
        EXPECT_EQ(low.y1, in[499]);
        EXPECT_EQ(low.y2, in[498]);
        EXPECT_EQ(high.x2, in[498]);
        EXPECT_EQ(high.y1, 0.0f);
    }
}

// Delays one impulse at frame 0 through a fresh line and returns the frame it comes out at.
std::int64_t impulse_arrival(std::int32_t fs, std::uint32_t delay_us, delay_line& line) {
    test_block block(2000, fs);
    block.at(0, slot_sl) = 1.0f;
    delay_channel(line, delay_us, block.ctx, block.data(), slot_sl);
    const std::vector<float> out = block.channel(slot_sl);
    for (std::uint32_t k = 0; k < out.size(); ++k)
        if (out[k] != 0.0f) return k;
    return -1;
}

TEST(SurroundDelay, LengthIsTruncatedFromSinglePrecisionMicroseconds) {
    for (const auto& [fs, us, frames] :
         {std::tuple{44100, 20000u, 881u}, {48000, 20000u, 959u}, {44100, 10000u, 440u}}) {
        delay_line line;
        EXPECT_EQ(impulse_arrival(fs, us, line), std::int64_t(frames));
        EXPECT_EQ(line.ring.size, frames);
    }
}

TEST(SurroundDelay, EveryChangeOfLengthStartsFromSilence) {
    // 20 ms, then 10 ms, then 20 ms again at 44.1 kHz, on a channel that never falls silent.
    const std::int32_t fs = 44100;
    delay_line line;
    const struct {
        std::uint32_t delay_us, frames, silent;
    } steps[] = {{20000, 2000, 881}, {10000, 1500, 440}, {20000, 2000, 881}};
    std::uint32_t seed = 1;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.delay_us);
        test_block block(step.frames, fs);
        std::vector<float> in = noise(step.frames, seed++);
        for (float& s : in) s = 0.5f + 0.25f * s;  // never zero
        block.set_channel(slot_sl, in);
        delay_channel(line, step.delay_us, block.ctx, block.data(), slot_sl);
        const std::vector<float> out = block.channel(slot_sl);
        for (std::uint32_t k = 0; k < step.silent; ++k) ASSERT_EQ(out[k], 0.0f) << k;
        for (std::uint32_t k = step.silent; k < step.frames; ++k)
            ASSERT_EQ(out[k], in[k - step.silent]) << k;
    }
}

TEST(SurroundDelay, DelayShorterThanOneSamplePassesAndRestartsCleanly) {
    // 1 ms at 900 Hz is 0.9 samples: no delay, no division by zero.
    delay_line line;
    test_block loud(1000, 44100);
    loud.set_channel(slot_sr, std::vector<float>(1000, 1.0f));
    delay_channel(line, 20000, loud.ctx, loud.data(), slot_sr);  // the line is full of ones
    test_block block(100, 900);
    const std::vector<float> in = noise(100, 5);
    block.set_channel(slot_sr, in);
    delay_channel(line, 1000, block.ctx, block.data(), slot_sr);
    EXPECT_EQ(block.channel(slot_sr), in);
    EXPECT_EQ(line.ring.size, 0u);
    // Back to a real delay: it starts from silence, not from what the line held before.
    EXPECT_EQ(impulse_arrival(44100, 20000, line), 881);
}

}  // namespace
}  // namespace ambiora
