// The steered decoder's fast paths against the plain ones, bit for bit.
//
// The per-frame loops give the same bits with whichever instruction set runs them: each wider
// version is checked against the SSE2 one on hostile input (silence, subnormals, huge and
// non-finite samples, steering far beyond its usual range, both signs of zero). Only the
// versions this processor can run are compared; the CI machine has all three. And the band split
// interleaved with the detectors gives what the separate passes give, across tile boundaries.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "matrix/split_and_detect.h"
#include "matrix/steered_kernels.h"
#include "matrix_test_support.h"

namespace ambiora {
namespace {

constexpr std::uint32_t frames = 1000;  // several tiles and a partial one

float hostile_sample(std::mt19937& rng) {
    std::uniform_real_distribution<float> level(-1.0f, 1.0f);
    switch (rng() % 16) {
        case 0:
            return 0.0f;
        case 1:
            return -0.0f;
        case 2:
            return std::numeric_limits<float>::denorm_min() * float(rng() % 1000);
        case 3:
            return 3e38f * level(rng);
        case 4:
            return std::numeric_limits<float>::quiet_NaN();
        case 5:
            return -std::numeric_limits<float>::infinity();
        default:
            return level(rng);
    }
}

float steering_value(std::mt19937& rng) {
    std::uniform_real_distribution<float> usual(-2.31f, 2.31f);
    switch (rng() % 10) {
        case 0:
            return 0.0f;
        case 1:
            return -0.0f;
        case 2:
            return 1024.0f * usual(rng);  // stalled smoothers at the highest rates
        default:
            return usual(rng);
    }
}

// Bit for bit, except that a NaN matches any NaN: which operand's payload survives an operation
// depends on operand order, which the vectoriser is free to change.
::testing::AssertionResult same_bits(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return ::testing::AssertionFailure() << "sizes differ";
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::isnan(a[i]) && std::isnan(b[i])) continue;
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0)
            return ::testing::AssertionFailure() << "at " << i << ": " << a[i] << " vs " << b[i];
    }
    return ::testing::AssertionSuccess();
}

TEST(SteeredKernels, TheBaselineComesFirstAndTheWidestIsChosen) {
    const auto usable = usable_steered_kernels();
    ASSERT_FALSE(usable.empty());
    EXPECT_STREQ(usable.front()->instruction_set, "sse2");
    EXPECT_EQ(&fastest_steered_kernels(), usable.back());
    std::printf("steered decoder loops usable here:");
    for (const steered_kernels* k : usable) std::printf(" %s", k->instruction_set);
    std::printf("\n");
}

TEST(SteeredKernels, EveryVersionMeasuresTheSameDominance) {
    std::mt19937 rng(5);
    std::vector<float> pairs(2 * frames);
    for (float& x : pairs) x = hostile_sample(rng);
    const steered_kernels& baseline = *usable_steered_kernels().front();
    std::vector<float> lr(frames), fb(frames);
    baseline.measure_dominance(pairs.data(), lr.data(), fb.data(), frames);
    for (const steered_kernels* k : usable_steered_kernels()) {
        std::vector<float> lr_k(frames), fb_k(frames);
        k->measure_dominance(pairs.data(), lr_k.data(), fb_k.data(), frames);
        EXPECT_TRUE(same_bits(lr, lr_k)) << k->instruction_set;
        EXPECT_TRUE(same_bits(fb, fb_k)) << k->instruction_set;
    }
}

TEST(SteeredKernels, EveryVersionDecodesTheSameFramesInEveryVariant) {
    std::mt19937 rng(8);
    std::vector<float> high(2 * frames), low(2 * frames);
    for (float& x : high) x = hostile_sample(rng);
    for (float& x : low) x = hostile_sample(rng);
    std::vector<float> steering[4];
    for (auto& values : steering) {
        values.resize(frames);
        for (float& v : values) v = steering_value(rng);
    }
    for (int variant = 0; variant < 4; ++variant) {
        steered_mixdown m{};
        m.single_surround = (variant & 1) != 0;
        m.virtual_centre = (variant & 2) != 0;
        m.centre_gain = 0.7079457843841379;
        m.surround_gain = m.single_surround ? 0.707 : 1.0;
        m.side_share = m.virtual_centre ? 0.5 : 0.2;
        m.centre_keep = m.virtual_centre ? 0.0 : 0.8;
        m.on = {1.0f, 1.0f, 1.0f, 0.0f, 1.0f};
        std::vector<float> expected;
        for (const steered_kernels* k : usable_steered_kernels()) {
            std::vector<float> work(frames * frame_width, -7.0f);
            const steered_block block = {high.data(),
                                         low.data(),
                                         steering[0].data(),
                                         steering[1].data(),
                                         steering[2].data(),
                                         steering[3].data(),
                                         frames,
                                         work.data()};
            k->decode_block(block, m);
            if (expected.empty())
                expected = work;
            else
                EXPECT_TRUE(same_bits(expected, work))
                    << k->instruction_set << " variant " << variant;
        }
        // Every slot of every frame is written: nothing of the old contents shows through.
        for (float x : expected) EXPECT_NE(x, -7.0f);
    }
}

// Scratch arrays sized for `frames` and memories that are not at rest.
void prepare(steered_decoder_state& state, std::uint32_t frames) {
    state.band_high.resize_discarding(2 * frames);
    state.band_low.resize_discarding(2 * frames);
    for (aligned_buffer* b :
         {&state.steer_lr_high, &state.steer_fb_high, &state.steer_lr_low, &state.steer_fb_low})
        b->resize_discarding(frames);
    state.band_split[0] = {0.1f, -0.2f, 0.05f, 0.02f};
    state.band_split[1] = {-0.3f, 0.1f, -0.04f, 0.01f};
    state.steer_lr_high_memory = {0.5f, 0.4f, 0.3f, 0.2f};
    state.steer_fb_high_memory = {-1.0f, -1.1f, -0.9f, -0.8f};
    state.steer_lr_low_memory = {2.0f, 2.1f, 2.2f, 2.25f};
    state.steer_fb_low_memory = {0.0f, 0.1f, -0.1f, 0.0f};
}

// The decoder's front half as separate passes: split, then each band's detector.
void split_and_detect_in_passes(steered_decoder_state& state, const block_context& ctx) {
    const std::uint32_t n = ctx.frame_count;
    float* high = state.band_high.data;
    for (std::uint32_t k = 0; k < n; ++k) {
        high[2 * k] = ctx.work->data[k * frame_width + slot_l];
        high[2 * k + 1] = ctx.work->data[k * frame_width + slot_r];
    }
    butterworth_highpass(state.band_split[0], high, 0, 1200.0f, 2, ctx);
    butterworth_highpass(state.band_split[1], high, 1, 1200.0f, 2, ctx);
    for (std::uint32_t k = 0; k < 2 * n; ++k)
        state.band_low.data[k] = ctx.work->data[(k / 2) * frame_width + k % 2] - high[k];
    steering_detector(high, state.steer_lr_high_memory, state.steer_fb_high_memory,
                      state.steer_lr_high.data, state.steer_fb_high.data, ctx);
    steering_detector(state.band_low.data, state.steer_lr_low_memory, state.steer_fb_low_memory,
                      state.steer_lr_low.data, state.steer_fb_low.data, ctx);
}

bool same_state(const steered_decoder_state& a, const steered_decoder_state& b,
                std::uint32_t frames) {
    auto same = [](const void* x, const void* y, std::size_t bytes) {
        return bytes == 0 || std::memcmp(x, y, bytes) == 0;
    };
    const std::size_t one = sizeof(float) * frames;
    return same(a.band_high.data, b.band_high.data, 2 * one) &&
           same(a.band_low.data, b.band_low.data, 2 * one) &&
           same(a.steer_lr_high.data, b.steer_lr_high.data, one) &&
           same(a.steer_fb_high.data, b.steer_fb_high.data, one) &&
           same(a.steer_lr_low.data, b.steer_lr_low.data, one) &&
           same(a.steer_fb_low.data, b.steer_fb_low.data, one) &&
           same(a.band_split, b.band_split, sizeof a.band_split) &&
           same(&a.steer_lr_high_memory, &b.steer_lr_high_memory, sizeof(biquad_state)) &&
           same(&a.steer_fb_high_memory, &b.steer_fb_high_memory, sizeof(biquad_state)) &&
           same(&a.steer_lr_low_memory, &b.steer_lr_low_memory, sizeof(biquad_state)) &&
           same(&a.steer_fb_low_memory, &b.steer_fb_low_memory, sizeof(biquad_state));
}

TEST(SteeredKernels, InterleavedSplitAndDetectorsMatchTheSeparatePasses) {
    // Block lengths around the tile size, and rates where a design gives way to its limit form
    // (the split below 2400 Hz) or where the smoothers stall (384 kHz).
    for (const std::int32_t rate : {44100, 2000, 384000}) {
        for (const std::uint32_t n : {1u, 255u, 256u, 257u, 1000u}) {
            matrix_test::test_block block(n, rate);
            block.set_channel(slot_l, matrix_test::noise(n, 3));
            block.set_channel(slot_r, matrix_test::noise(n, 4, 0.2f));
            steered_decoder_state interleaved, separate;
            prepare(interleaved, n);
            prepare(separate, n);
            split_and_detect_steering(interleaved, block.ctx);
            split_and_detect_in_passes(separate, block.ctx);
            EXPECT_TRUE(same_state(interleaved, separate, n)) << n << " frames at " << rate;
        }
    }
}

}  // namespace
}  // namespace ambiora
