// The headphone virtualiser at the stage level: framing, routing and scaling, the overlap tail,
// and what resets and switches between the two headphone modes do to a stream.
#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "engine/surround_engine.h"
#include "matrix_test_support.h"

namespace ambiora {
namespace {

using frames_t = std::vector<float>;  // interleaved work_frames
using switches = std::array<std::int32_t, speaker_count>;

constexpr switches all_on = {1, 1, 1, 1, 1};
constexpr std::uint32_t block = hrir_length;
constexpr std::uint32_t feed_slots[speaker_count] = {slot_l, slot_r, slot_c, slot_sl, slot_sr};
constexpr double path_gain = 0.708;  // 2^-13 x 16384 x 0.354: each ear is 0.708 x the convolution

const float* response(std::uint32_t bank, std::uint32_t speaker, std::uint32_t ear) {
    return builtin_hrir_tables() + (10 * bank + 2 * speaker + ear) * hrir_length;
}

frames_t silence(std::uint32_t frames) {
    return frames_t(std::size_t(frames) * frame_width, 0.0f);
}

frames_t impulse(std::uint32_t frames, std::uint32_t slot, std::uint32_t at) {
    frames_t x = silence(frames);
    x[std::size_t(at) * frame_width + slot] = 1.0f;
    return x;
}

// Uniform noise in every slot, the LFE included, so that a stray read of it would show (the
// direct-convolution reference below leaves the LFE out).
frames_t noise(std::uint32_t frames, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> uniform(-0.5f, 0.5f);
    frames_t x(std::size_t(frames) * frame_width);
    for (float& v : x) v = uniform(rng);
    return x;
}

float sample(const frames_t& x, std::uint32_t frame, std::uint32_t slot) {
    return x[std::size_t(frame) * frame_width + slot];
}

class HeadphoneRender : public matrix_test::built_engine_test {
  protected:
    // Passes one chunk through the stage (or, with `whole_pipeline`, through process_block with
    // six channels at 48 kHz and 0 dB) and returns what comes out.
    frames_t render(const frames_t& input, std::int32_t mode = mode_headphone,
                    const switches& on = all_on, bool whole_pipeline = false) {
        const std::uint32_t frames = std::uint32_t(input.size() / frame_width);
        work_.resize_discarding(std::uint32_t(input.size()));
        std::copy(input.begin(), input.end(), work_.data);
        block_context ctx;
        ctx.mode = mode;
        std::copy(on.begin(), on.end(), ctx.speaker_on);
        ctx.input_channels = 6;
        ctx.sample_rate = 48000;
        ctx.frame_count = frames;
        ctx.work = &work_;
        if (whole_pipeline) {
            process_block(*engine_, ctx);
        } else {
            render_headphone(*engine_, ctx);
        }
        return frames_t(work_.data, work_.data + std::size_t(ctx.frame_count) * frame_width);
    }

    // Passes a signal through in chunks of the given sizes (cycled) and joins the output.
    frames_t render_in_chunks(const frames_t& input, const std::vector<std::uint32_t>& sizes,
                              std::int32_t mode) {
        frames_t output;
        const std::uint32_t total = std::uint32_t(input.size() / frame_width);
        for (std::uint32_t start = 0, i = 0; start < total; ++i) {
            const std::uint32_t n = std::min(sizes[i % sizes.size()], total - start);
            const auto first = input.begin() + std::ptrdiff_t(start) * frame_width;
            const frames_t out =
                render(frames_t(first, first + std::ptrdiff_t(n) * frame_width), mode);
            output.insert(output.end(), out.begin(), out.end());
            start += n;
        }
        return output;
    }

    aligned_buffer work_;
};

// Expects `out` to hold, from frame `from` on, path_gain x the given responses in L and R, and
// nothing in the other slots.
void expect_responses(const frames_t& out, std::uint32_t from, const float* left,
                      const float* right, double tolerance) {
    for (std::uint32_t m = 0; m + from < out.size() / frame_width && m < hrir_length; ++m) {
        ASSERT_NEAR(sample(out, from + m, slot_l), path_gain * left[m], tolerance) << "frame " << m;
        ASSERT_NEAR(sample(out, from + m, slot_r), path_gain * right[m], tolerance)
            << "frame " << m;
    }
}

void expect_only_ears(const frames_t& out) {
    for (std::size_t i = 0; i < out.size(); i += frame_width)
        for (std::uint32_t slot : {slot_c, slot_lfe, slot_sl, slot_sr})
            ASSERT_EQ(out[i + slot], 0.0f) << "frame " << i / frame_width << " slot " << slot;
}

float peak(const frames_t& x) {
    float p = 0.0f;
    for (float v : x) p = std::max(p, std::abs(v));
    return p;
}

TEST_F(HeadphoneRender, ReleasesOnlyWholeBlocksAndHoldsTheRest) {
    // Eighty-one chunks of 100 frames fill 8100 frames: nothing comes out yet.
    const frames_t input = noise(8200, 1);
    frames_t first_block;
    for (std::uint32_t i = 0; i < 82; ++i) {
        const auto first = input.begin() + std::ptrdiff_t(i) * 100 * frame_width;
        const frames_t out = render(frames_t(first, first + 100 * frame_width));
        if (i < 81) {
            ASSERT_TRUE(out.empty()) << "chunk " << i + 1;
            ASSERT_EQ(engine_->headphone.feed_fill, 100 * (i + 1));
        } else {
            first_block = out;
        }
    }
    // The 82nd completes the block and keeps the 8 frames beyond it.
    ASSERT_EQ(first_block.size(), std::size_t(block) * frame_width);
    EXPECT_EQ(engine_->headphone.feed_fill, 8u);
    expect_only_ears(first_block);

    // The same frames in one chunk give the very same block: chunking never shifts the stream.
    reset_engine(*engine_);
    EXPECT_EQ(render(input), first_block);
    EXPECT_EQ(engine_->headphone.feed_fill, 8u);

    // A long chunk releases every block it completes and holds the rest.
    reset_engine(*engine_);
    EXPECT_EQ(render(noise(20000, 2)).size(), std::size_t(2 * block) * frame_width);
    EXPECT_EQ(engine_->headphone.feed_fill, 3616u);
}

TEST_F(HeadphoneRender, AnImpulseInEachSlotReproducesItsPairOfResponses) {
    for (std::int32_t mode : {mode_headphone, mode_headphone_movie}) {
        const std::uint32_t bank = mode == mode_headphone ? 0 : 1;
        for (std::uint32_t k = 0; k < speaker_count; ++k) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " speaker " << k);
            reset_engine(*engine_);
            const frames_t out = render(impulse(block, feed_slots[k], 0), mode);
            ASSERT_EQ(out.size(), std::size_t(block) * frame_width);
            expect_only_ears(out);
            expect_responses(out, 0, response(bank, k, 0), response(bank, k, 1), 2e-6);

            // The response fits the block exactly, so the tail it leaves is silence.
            EXPECT_LT(peak(render(silence(block), mode)), 2e-6f);
        }
    }
}

TEST_F(HeadphoneRender, AMutedSpeakerDropsItsFeedFromBothEarsAndNoSwitchRaisesIt) {
    const frames_t input = noise(block, 5);
    const frames_t all_sounding = render(input, mode_headphone_movie);
    for (std::uint32_t k = 0; k < speaker_count; ++k) {
        SCOPED_TRACE(testing::Message() << "speaker " << k);
        frames_t without = input;
        for (std::size_t i = feed_slots[k]; i < without.size(); i += frame_width) without[i] = 0;
        switches on = all_on;
        on[k] = 0;
        reset_engine(*engine_);
        const frames_t muted = render(input, mode_headphone_movie, on);
        reset_engine(*engine_);
        const frames_t reference = render(without, mode_headphone_movie);
        ASSERT_EQ(muted.size(), reference.size());
        for (std::size_t i = 0; i < muted.size(); ++i)
            ASSERT_NEAR(muted[i], reference[i], 1e-6f) << "float " << i;

        // A damaged stored switch of 3 is simply on.
        on[k] = 3;
        reset_engine(*engine_);
        EXPECT_EQ(render(input, mode_headphone_movie, on), all_sounding);
    }

    // With every speaker muted the output is silent, but still comes in whole blocks.
    reset_engine(*engine_);
    EXPECT_TRUE(render(noise(5000, 6), mode_headphone, {0, 0, 0, 0, 0}).empty());
    const frames_t out = render(noise(5000, 7), mode_headphone, {0, 0, 0, 0, 0});
    EXPECT_EQ(out.size(), std::size_t(block) * frame_width);
    EXPECT_EQ(peak(out), 0.0f);
}

TEST_F(HeadphoneRender, ALongSignalEqualsTheDirectConvolution) {
    // Four blocks and a bit in uneven chunks, so blocks start in the middle of chunks and the
    // tail is carried across every block boundary.
    const std::uint32_t frames = 4 * block + 1234;
    const frames_t input = noise(frames, 8);
    const frames_t out =
        render_in_chunks(input, {1000, 3000, 8191, 1, 12000, 777}, mode_headphone_movie);
    ASSERT_EQ(out.size(), std::size_t(4 * block) * frame_width);
    EXPECT_EQ(engine_->headphone.feed_fill, 1234u);
    expect_only_ears(out);

    // Reference in double at every 13th frame, and at every frame around the block boundaries.
    std::vector<std::uint32_t> checked;
    for (std::uint32_t m = 0; m < 4 * block; ++m)
        if (m % 13 == 0 || m % block < 16 || m % block >= block - 16) checked.push_back(m);
    double worst = 0.0;
    for (std::uint32_t m : checked) {
        for (std::uint32_t e = 0; e < ear_count; ++e) {
            double expected = 0.0;
            for (std::uint32_t k = 0; k < speaker_count; ++k) {
                const float* h = response(1, k, e);
                for (std::uint32_t j = 0; j <= std::min(m, hrir_length - 1); ++j)
                    expected += double(sample(input, m - j, feed_slots[k])) * h[j];
            }
            expected *= path_gain;
            worst = std::max(worst, std::abs(sample(out, m, e == 0 ? slot_l : slot_r) - expected));
        }
    }
    EXPECT_LT(worst, 5e-6);
}

TEST_F(HeadphoneRender, AResetDropsHeldFramesAndTheTail) {
    const frames_t probe = impulse(block, slot_c, 0);
    const frames_t fresh = render(probe);

    // One block out (leaving a loud tail) and 5000 frames held, then a reset.
    EXPECT_EQ(render(noise(block + 5000, 9)).size(), std::size_t(block) * frame_width);
    ASSERT_EQ(engine_->headphone.feed_fill, 5000u);
    reset_engine(*engine_);
    EXPECT_EQ(engine_->headphone.feed_fill, 0u);

    // The next block starts from nothing: the held frames never appear and no tail is added.
    EXPECT_EQ(render(probe), fresh);
}

TEST_F(HeadphoneRender, SwitchingBetweenTheHeadphoneModesKeepsHeldFramesAndTail) {
    // In mode 5: an impulse in L half-way through the first block, whose response runs on into
    // the tail, and a second impulse 100 frames into the next block, which is held.
    frames_t input = impulse(block + block / 2, slot_l, block / 2);
    input[std::size_t(block + 100) * frame_width + slot_l] = 1.0f;
    const frames_t first = render(input, mode_headphone);
    ASSERT_EQ(first.size(), std::size_t(block) * frame_width);
    expect_responses(first, block / 2, response(0, speaker_l, 0), response(0, speaker_l, 1), 2e-6);
    ASSERT_EQ(engine_->headphone.feed_fill, block / 2);

    // In mode 6 the block completes: the rest of the bank 0 response from the tail, plus the
    // held impulse through bank 1.
    const frames_t second = render(silence(block / 2), mode_headphone_movie);
    ASSERT_EQ(second.size(), std::size_t(block) * frame_width);
    for (std::uint32_t m = 0; m < block; ++m) {
        for (std::uint32_t e = 0; e < ear_count; ++e) {
            double expected = m >= 100 ? response(1, speaker_l, e)[m - 100] : 0.0;
            if (m < block / 2) expected += response(0, speaker_l, e)[block / 2 + m];
            ASSERT_NEAR(sample(second, m, e == 0 ? slot_l : slot_r), path_gain * expected, 2e-6)
                << "frame " << m << " ear " << e;
        }
    }
}

TEST_F(HeadphoneRender, LeavingTheHeadphoneModesOwesSilenceAndForgetsTheTail) {
    const frames_t probe = impulse(block, slot_r, 0);
    const frames_t fresh = render(probe, mode_headphone, all_on, true);
    reset_engine(*engine_);

    // Headphone playback leaves a loud tail and 5000 held frames...
    render(noise(block + 5000, 10), mode_headphone, all_on, true);
    ASSERT_EQ(engine_->headphone.feed_fill, 5000u);

    // ...and the next mode's chunk ends with 5000 silent frames in their place, so the stream
    // keeps its length.
    const frames_t bypassed = render(noise(100, 11), mode_bypass, all_on, true);
    ASSERT_EQ(bypassed.size(), std::size_t(5100) * frame_width);
    EXPECT_EQ(peak(frames_t(bypassed.begin() + 100 * frame_width, bypassed.end())), 0.0f);
    EXPECT_EQ(engine_->headphone.feed_fill, 0u);

    // Coming back later, the first block carries no echo of the earlier passage.
    EXPECT_EQ(render(probe, mode_headphone, all_on, true), fresh);
}

}  // namespace
}  // namespace ambiora
