// contain_non_finite: removes exactly the damage from the engine's carried state, and on a finite
// stream in any mode changes nothing at all, so the output is bit for bit what it was without it.
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "engine/surround_engine.h"
#include "matrix_test_support.h"

namespace ambiora {
namespace {

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

// Every value the engine carries from one block to the next, as raw bytes.
std::vector<unsigned char> carried_state(const surround_engine& e) {
    std::vector<unsigned char> out;
    auto add = [&out](const void* p, std::size_t bytes) {
        const auto* b = static_cast<const unsigned char*>(p);
        out.insert(out.end(), b, b + bytes);
    };
    auto add_buffer = [&add](const aligned_buffer& b, std::uint32_t floats) {
        if (b.data != nullptr) add(b.data, floats * sizeof(float));
    };
    const steered_decoder_state& steered = e.steered_decoder;
    add(steered.band_split, sizeof steered.band_split);
    for (const biquad_state* s : {&steered.steer_lr_high_memory, &steered.steer_fb_high_memory,
                                  &steered.steer_lr_low_memory, &steered.steer_fb_low_memory})
        add(s, sizeof *s);
    add(e.surround_ending.lowpass, sizeof e.surround_ending.lowpass);
    add(e.bass_redirect.highpass, sizeof e.bass_redirect.highpass);
    add(&e.encoders, sizeof e.encoders);  // filter memories only
    for (const delay_line& line : e.surround_ending.delay) add_buffer(line.ring, line.ring.size);
    for (const aligned_buffer& feed : e.headphone.speaker_feed)
        add_buffer(feed, e.headphone.feed_fill);
    add_buffer(e.headphone.overlap_tail, e.headphone.overlap_tail.size);
    return out;
}

using contain_non_finite_stage = matrix_test::built_engine_test;

TEST_F(contain_non_finite_stage, is_a_no_op_on_finite_streams_in_every_mode) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::uint32_t> chunk_size(0, 5000);
    // Loud noise, a quiet signal that decays into the subnormal range, and silence.
    const float levels[] = {4.0f, 1e-36f, 0.0f};
    for (int mode = 0; mode <= 8; ++mode) {
        for (const std::int32_t channels : {2, 6}) {
            for (const std::int32_t rate : {44100, 48000, 96000}) {
                SCOPED_TRACE(testing::Message()
                             << "mode " << mode << ", " << channels << " ch, " << rate << " Hz");
                reset_engine(*engine_);
                for (int k = 0; k < 12; ++k) {
                    const std::uint32_t frames = chunk_size(rng);
                    matrix_test::test_block block(frames, rate, mode);
                    std::uniform_real_distribution<float> sample(-levels[k % 3], levels[k % 3]);
                    for (std::uint32_t i = 0; i < frames * frame_width; ++i)
                        block.data()[i] = sample(rng);
                    block.ctx.surround_delay_ms = 15;
                    block.ctx.bass_redirect_on = 1;
                    block.ctx.bass_redirect_hz = 80;
                    block.ctx.input_channels = channels;
                    process_block(*engine_, block.ctx);

                    const auto before = carried_state(*engine_);
                    contain_non_finite(*engine_, frames);
                    ASSERT_EQ(before, carried_state(*engine_)) << "block " << k;
                }
            }
        }
    }
}

TEST_F(contain_non_finite_stage, clears_a_damaged_filter_memory_as_a_whole_and_only_that_one) {
    const biquad_state sane = {0.5f, -0.25f, 1e18f, -3e-39f};
    for (const float bad : {nan, inf, -inf, 1e30f, -3e38f, 2e19f}) {
        engine_->bass_redirect.highpass[0] = sane;
        engine_->bass_redirect.highpass[1] = {0.1f, bad, 0.2f, 0.3f};
        engine_->steered_decoder.steer_fb_low_memory = {bad, 0, 0, 0};
        engine_->encoders.surround_b.phase_shift = {};
        engine_->encoders.surround_b.phase_shift.section[0] = sane;
        engine_->encoders.surround_b.phase_shift.section[3].y2 = bad;
        contain_non_finite(*engine_, 0);

        EXPECT_EQ(std::memcmp(&engine_->bass_redirect.highpass[0], &sane, sizeof sane), 0) << bad;
        for (const biquad_state& s :
             {engine_->bass_redirect.highpass[1], engine_->steered_decoder.steer_fb_low_memory,
              engine_->encoders.surround_b.phase_shift.section[0],
              engine_->encoders.surround_b.phase_shift.section[3]}) {
            EXPECT_EQ(s.x1, 0.0f) << bad;
            EXPECT_EQ(s.x2, 0.0f) << bad;
            EXPECT_EQ(s.y1, 0.0f) << bad;
            EXPECT_EQ(s.y2, 0.0f) << bad;
        }
    }
}

TEST_F(contain_non_finite_stage, removes_the_bad_entries_this_block_wrote_to_lines_feeds_and_tail) {
    // A 64-sample ring whose last block of 10 frames wrapped: it wrote 59..63 and 0..4.
    delay_line& line = engine_->surround_ending.delay[1];
    line.restart(64);
    float* ring = line.ring.data;
    for (std::uint32_t i = 0; i < 64; ++i) ring[i] = float(i) - 32.0f;
    line.position = 5;
    ring[2] = nan;
    ring[59] = -inf;
    ring[63] = 1e35f;

    // 100 frames wait for the next headphone block, the last 10 of them from this block.
    engine_->headphone.feed_fill = 100;
    engine_->headphone.speaker_feed[2].data[99] = inf;
    engine_->headphone.speaker_feed[4].data[90] = -3e38f;
    engine_->headphone.speaker_feed[2].data[98] = 0.75f;
    engine_->headphone.speaker_feed[2].data[100] =
        nan;  // beyond feed_fill: not stream state, left alone

    // The block rendered nothing (all its frames still wait), so the tail is as it was.
    engine_->headphone.tail_in_use = true;
    engine_->headphone.overlap_tail.data[5] = nan;
    engine_->headphone.overlap_tail.data[6] = -2.0f;

    contain_non_finite(*engine_, 10);

    for (std::uint32_t i = 0; i < 64; ++i) {
        const float expected = (i == 2 || i == 59 || i == 63) ? 0.0f : float(i) - 32.0f;
        EXPECT_EQ(ring[i], expected) << i;
    }
    EXPECT_EQ(engine_->headphone.speaker_feed[2].data[99], 0.0f);
    EXPECT_EQ(engine_->headphone.speaker_feed[4].data[90], 0.0f);
    EXPECT_EQ(engine_->headphone.speaker_feed[2].data[98], 0.75f);
    EXPECT_TRUE(std::isnan(engine_->headphone.speaker_feed[2].data[100]));
    EXPECT_TRUE(std::isnan(engine_->headphone.overlap_tail.data[5]));

    // A block of 200 frames that leaves only 100 waiting has rendered one: the tail is checked.
    contain_non_finite(*engine_, 200);
    EXPECT_EQ(engine_->headphone.overlap_tail.data[5], 0.0f);
    EXPECT_EQ(engine_->headphone.overlap_tail.data[6], -2.0f);
    engine_->headphone.speaker_feed[2].data[100] = 0.0f;
}

}  // namespace
}  // namespace ambiora
