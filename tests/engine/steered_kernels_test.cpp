// The steered decoder's fast paths against the plain ones, bit for bit.
//
// The per-frame loops give the same bits with whichever instruction set runs them: each wider
// version is checked against the SSE2 one on hostile input (silence, subnormals, huge and
// non-finite samples, steering far beyond its usual range, both signs of zero). Only the versions
// this processor can run are compared; the CI machine has all three. And the band split
// interleaved with the detectors gives what the separate passes give, across tile boundaries.
#include <limits>

#include "engine_test_support.h"
#include "matrix/split_and_detect.h"
#include "matrix/steered_kernels.h"

namespace ambiora::engine_test {
namespace {

constexpr unsigned frames = 1000;  // several tiles and a partial one
constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float subnormal = std::numeric_limits<float>::denorm_min() * 37;

// Mostly ordinary values in [-scale, scale], one in four an awkward one.
std::vector<float> hostile(std::mt19937& rng, unsigned n, float scale) {
    const float awkward[] = {0.0f, -0.0f, subnormal, 3e38f, nan, -inf, 1024 * scale};
    std::uniform_real_distribution<float> level(-scale, scale);
    std::vector<float> x(n);
    for (float& v : x) v = rng() % 4 == 0 ? awkward[rng() % std::size(awkward)] : level(rng);
    return x;
}

// Bit for bit, except that a NaN matches any NaN: which operand's payload survives an operation
// depends on operand order, which the vectoriser is free to change.
testing::AssertionResult same_bits(const std::vector<float>& a, const std::vector<float>& b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!(std::isnan(a[i]) && std::isnan(b[i])) &&
            std::memcmp(&a[i], &b[i], sizeof(float)) != 0)
            return testing::AssertionFailure() << "at " << i << ": " << a[i] << " vs " << b[i];
    }
    return testing::AssertionSuccess();
}

TEST(SteeredKernels, EveryVersionMeasuresAndDecodesAsTheBaselineDoes) {
    const auto usable = usable_steered_kernels();
    ASSERT_STREQ(usable.front()->instruction_set, "sse2");
    EXPECT_EQ(&fastest_steered_kernels(), usable.back());

    std::mt19937 rng(5);
    const std::vector<float> pairs = hostile(rng, 2 * frames, 1.0f);
    std::vector<float> dominance;  // left/right, then front/back
    for (const steered_kernels* k : usable) {
        std::vector<float> out(2 * frames);
        k->measure_dominance(pairs.data(), out.data(), out.data() + frames, frames);
        if (dominance.empty()) dominance = out;
        EXPECT_TRUE(same_bits(dominance, out)) << k->instruction_set;
    }

    const std::vector<float> high = hostile(rng, 2 * frames, 1.0f),
                             low = hostile(rng, 2 * frames, 1.0f);
    std::vector<float> steering[4];
    for (auto& values : steering) values = hostile(rng, frames, 2.31f);
    // One surround or two, with and without a virtual centre; a muted speaker.
    const speaker_factors on = {1.0f, 1.0f, 1.0f, 0.0f, 1.0f};
    const steered_mixdown variants[] = {{0.708, 1.0, false, false, 0.2, 0.8, on},
                                        {0.708, 0.707, true, false, 0.2, 0.8, on},
                                        {0.708, 1.0, false, true, 0.5, 0.0, on},
                                        {0.708, 0.707, true, true, 0.5, 0.0, on}};
    for (const steered_mixdown& m : variants) {
        std::vector<float> expected;
        for (const steered_kernels* k : usable) {
            std::vector<float> work(frames * frame_width, -7.0f);
            k->decode_block({high.data(), low.data(), steering[0].data(), steering[1].data(),
                             steering[2].data(), steering[3].data(), frames, work.data()},
                            m);
            if (expected.empty()) expected = work;
            EXPECT_TRUE(same_bits(expected, work))
                << k->instruction_set << ", variant " << &m - variants;
        }
        // Every slot of every frame is written: nothing of the old contents shows through.
        EXPECT_EQ(std::count(expected.begin(), expected.end(), -7.0f), 0);
    }
}

// The decoder's front half as separate passes: split, then each band's detector.
void split_and_detect_in_passes(steered_decoder_state& state, const block_context& ctx) {
    float* high = state.band_high.data;
    for (unsigned k = 0; k < 2 * ctx.frame_count; ++k)
        high[k] = ctx.work->data[(k / 2) * frame_width + k % 2];
    butterworth_highpass(state.band_split[0], high, 0, 1200.0f, 2, ctx);
    butterworth_highpass(state.band_split[1], high, 1, 1200.0f, 2, ctx);
    for (unsigned k = 0; k < 2 * ctx.frame_count; ++k)
        state.band_low.data[k] = ctx.work->data[(k / 2) * frame_width + k % 2] - high[k];
    steering_detector(high, state.steer_lr_high_memory, state.steer_fb_high_memory,
                      state.steer_lr_high.data, state.steer_fb_high.data, ctx);
    steering_detector(state.band_low.data, state.steer_lr_low_memory, state.steer_fb_low_memory,
                      state.steer_lr_low.data, state.steer_fb_low.data, ctx);
}

// The scratch arrays and the memories, as floats.
std::vector<float> contents(const steered_decoder_state& s) {
    std::vector<float> out;
    for (const aligned_buffer* b : {&s.band_high, &s.band_low, &s.steer_lr_high, &s.steer_fb_high,
                                    &s.steer_lr_low, &s.steer_fb_low})
        out.insert(out.end(), b->data, b->data + b->size);
    for (const biquad_state* m :
         {&s.band_split[0], &s.band_split[1], &s.steer_lr_high_memory, &s.steer_fb_high_memory,
          &s.steer_lr_low_memory, &s.steer_fb_low_memory})
        out.insert(out.end(), {m->x1, m->x2, m->y1, m->y2});
    return out;
}

TEST(SteeredKernels, InterleavedSplitAndDetectorsMatchTheSeparatePasses) {
    // Block lengths around the tile size, and rates where a design gives way to its limit form
    // (the split below 2400 Hz) or where the smoothers stall (384 kHz).
    for (const std::int32_t rate : {44100, 2000, 384000}) {
        for (const unsigned n : {1u, 255u, 256u, 257u, 1000u}) {
            test_block block(n, rate);
            block.set_channel(slot_l, noise(n, 3));
            block.set_channel(slot_r, noise(n, 4, 0.2f));
            // A block before, for memories that are not at rest and scratch sized for n frames.
            surround_engine interleaved, separate;
            for (surround_engine* engine : {&interleaved, &separate}) {
                test_block before(n, rate);
                before.set_channel(slot_l, noise(n, 5));
                decode_steered(*engine, before.ctx);
            }
            split_and_detect_steering(interleaved.steered_decoder, block.ctx);
            split_and_detect_in_passes(separate.steered_decoder, block.ctx);
            EXPECT_TRUE(same_bits(contents(interleaved.steered_decoder),
                                  contents(separate.steered_decoder)))
                << n << " frames at " << rate;
        }
    }
}

}  // namespace
}  // namespace ambiora::engine_test
