// Every matrix stage, at rates from 1 kHz to 384 kHz and on hostile signals, stays finite and
// bounded. The low rates put the 1200 Hz band split and the encoders' 7 kHz low-pass at or past
// Nyquist; 2401 and 14001 Hz put them just inside it, where the poles crowd z = -1.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/surround_engine.h"
#include "matrix_test_support.h"

namespace ambiora {
namespace {

using matrix_test::noise;
using matrix_test::square;
using matrix_test::test_block;

// The signals every slot gets (the decoders read L and R, the encoders all six); odd slots get
// a variant, so that L and R differ.
struct hostile_signal {
    const char* name;
    std::vector<float> (*make)(std::uint32_t n, std::int32_t fs, bool odd_slot);
};

const hostile_signal hostile_signals[] = {
    {"noise", [](std::uint32_t n, std::int32_t, bool odd) { return noise(n, odd ? 71 : 70); }},
    {"silence", [](std::uint32_t n, std::int32_t, bool) { return std::vector<float>(n, 0.0f); }},
    {"square at Nyquist", [](std::uint32_t n, std::int32_t, bool) { return square(n, 2); }},
    {"square of 3 frames", [](std::uint32_t n, std::int32_t, bool) { return square(n, 3); }},
    {"50 Hz square", [](std::uint32_t n, std::int32_t fs,
                        bool) { return square(n, std::max<std::uint32_t>(2, fs / 50)); }},
    {"opposed squares", [](std::uint32_t n, std::int32_t, bool odd) { return square(n, 64, odd); }},
    // One side halves every frame into subnormals and then exact zeros; the other falls slower,
    // so for a while one side is subnormal while the other is already zero.
    {"fading into subnormals",
     [](std::uint32_t n, std::int32_t, bool odd) {
         std::vector<float> x(n);
         float level = odd ? -1.0f : 1.0f;
         for (float& s : x) s = level, level *= odd ? 0.75f : 0.5f;
         return x;
     }},
};

void run_stage(std::int32_t mode, surround_engine& engine, block_context& ctx) {
    switch (mode) {
        case mode_plus_c:
            decode_passive(engine, ctx);
            break;
        case mode_encode:
            encode_mono_surround(engine, ctx);
            break;
        case mode_encode2:
            encode_stereo_surround(engine, ctx);
            break;
        default:
            decode_steered(engine, ctx);
            break;
    }
}

bool finite(const biquad_state& s) {
    return std::isfinite(s.x1) && std::isfinite(s.x2) && std::isfinite(s.y1) && std::isfinite(s.y2);
}

// The +12 dB trims alone make full scale about 4; the filters' overshoot adds a little more.
constexpr float output_bound = 8.0f;

class MatrixRobustness : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(MatrixRobustness, FiniteAndBoundedOnHostileSignals) {
    const std::int32_t fs = GetParam();
    // Long enough for an unstable filter to run away many times over; an eighth of a second at
    // 384 kHz.
    const std::uint32_t frames = std::uint32_t(std::max(fs / 8, 20000));
    const std::uint32_t block_frames = 4096;
    for (const std::int32_t mode :
         {mode_plus_c, mode_as, mode_asr, mode_as2, mode_headphone, mode_encode, mode_encode2}) {
        for (const hostile_signal& signal : hostile_signals) {
            SCOPED_TRACE(std::string("mode ") + std::to_string(mode) + ", " + signal.name);
            surround_engine engine;
            test_block whole(frames, fs, mode);
            for (std::uint32_t slot = 0; slot < frame_width; ++slot)
                whole.set_channel(slot, signal.make(frames, fs, slot % 2 == 1));
            float peak = 0.0f;
            for (std::uint32_t start = 0; start < frames; start += block_frames) {
                const std::uint32_t count = std::min(block_frames, frames - start);
                test_block block(count, fs, mode);
                block.ctx.surround_delay_ms = 100;
                block.ctx.centre_trim_db = 12;
                block.ctx.surround_trim_db = 12;
                block.ctx.centre_width_pct = 100;
                std::copy(whole.data() + start * frame_width,
                          whole.data() + (start + count) * frame_width, block.data());
                run_stage(mode, engine, block.ctx);
                for (std::uint32_t i = 0; i < count * frame_width; ++i) {
                    const float y = block.data()[i];
                    ASSERT_TRUE(std::isfinite(y)) << "frame " << start + i / frame_width;
                    peak = std::max(peak, std::fabs(y));
                }
            }
            EXPECT_LT(peak, output_bound);
            if (std::string(signal.name) == "silence") {
                EXPECT_EQ(peak, 0.0f);
            }
            for (const biquad_state* s :
                 {&engine.steered_decoder.band_split[0], &engine.steered_decoder.band_split[1],
                  &engine.steered_decoder.steer_lr_high_memory,
                  &engine.steered_decoder.steer_fb_high_memory,
                  &engine.steered_decoder.steer_lr_low_memory,
                  &engine.steered_decoder.steer_fb_low_memory, &engine.surround_ending.lowpass[0],
                  &engine.surround_ending.lowpass[1], &engine.encoders.surround_a.highpass,
                  &engine.encoders.surround_a.lowpass, &engine.encoders.surround_b.highpass,
                  &engine.encoders.surround_b.lowpass})
                EXPECT_TRUE(finite(*s));
            // Steering values are numbers, and at the common rates they stay within +-ln 10 but
            // for the smoother's overshoot. (Higher rates stall beyond it; see the detector.)
            const float steering_bound = fs <= 48000 ? 2.5f : 1e30f;
            for (const aligned_buffer* steer :
                 {&engine.steered_decoder.steer_lr_high, &engine.steered_decoder.steer_fb_high,
                  &engine.steered_decoder.steer_lr_low, &engine.steered_decoder.steer_fb_low}) {
                for (std::uint32_t k = 0; k < steer->size; ++k) {
                    ASSERT_TRUE(std::isfinite(steer->data[k]));
                    ASSERT_LE(std::fabs(steer->data[k]), steering_bound);
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, MatrixRobustness,
                         ::testing::Values(1000, 2400, 2401, 8000, 14000, 14001, 44100, 384000));

TEST(MatrixStages, EmptyBlockChangesNoMemory) {
    // At 2 kHz the 1200 Hz split and the 7 kHz low-passes take their limit forms.
    const biquad_state primed{0.5f, -0.25f, 0.125f, -0.0625f};
    for (const std::int32_t fs : {44100, 2000}) {
        for (const std::int32_t mode : {mode_plus_c, mode_asr, mode_encode, mode_encode2}) {
            surround_engine engine;
            engine.steered_decoder.band_split[0] = engine.steered_decoder.steer_fb_low_memory =
                engine.surround_ending.lowpass[1] = primed;
            engine.encoders.surround_a.highpass = engine.encoders.surround_b.lowpass = primed;
            engine.encoders.surround_b.phase_shift.section[2] = primed;
            test_block block(0, fs, mode);
            run_stage(mode, engine, block.ctx);
            for (const biquad_state* s :
                 {&engine.steered_decoder.band_split[0],
                  &engine.steered_decoder.steer_fb_low_memory, &engine.surround_ending.lowpass[1],
                  &engine.encoders.surround_a.highpass, &engine.encoders.surround_b.lowpass,
                  &engine.encoders.surround_b.phase_shift.section[2]})
                EXPECT_EQ(std::memcmp(s, &primed, sizeof primed), 0) << mode << " at " << fs;
        }
    }
}

}  // namespace
}  // namespace ambiora
