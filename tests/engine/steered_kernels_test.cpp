// The steered decoder's loops give the same bits with whichever instruction set runs them.
//
// Each wider version is checked against the SSE2 one on hostile input: silence, subnormals,
// huge and non-finite samples, steering far beyond its usual range and both signs of zero. Only
// the versions this processor can run are compared; the CI machine has all three.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "matrix/steered_kernels.h"

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

}  // namespace
}  // namespace ambiora
