// The two matrix encoders and the all-pass phase network.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/surround_engine.h"
#include "matrix_test_support.h"

namespace ambiora {
namespace {

using matrix_test::amplitude_at;
using matrix_test::noise;
using matrix_test::sine;
using matrix_test::test_block;

void run_encoder(std::int32_t mode, surround_engine& engine, block_context& ctx) {
    if (mode == mode_encode)
        encode_mono_surround(engine, ctx);
    else
        encode_stereo_surround(engine, ctx);
}

void fill_with_noise(test_block& block) {
    for (std::uint32_t slot = 0; slot < frame_width; ++slot)
        block.set_channel(slot, noise(block.frames(), 40 + slot));
}

TEST(Encoders, LeaveOnlyLeftAndRightWithTheCentreOnBothAt707) {
    for (const std::int32_t mode : {mode_encode, mode_encode2}) {
        SCOPED_TRACE(mode);
        surround_engine engine;
        test_block block(3000, 44100, mode);
        fill_with_noise(block);
        run_encoder(mode, engine, block.ctx);
        for (std::uint32_t k = 0; k < block.frames(); ++k) {
            for (const std::uint32_t slot : {slot_c, slot_lfe, slot_sl, slot_sr})
                ASSERT_EQ(block.at(k, slot), 0.0f) << "slot " << slot;
            ASSERT_NE(block.at(k, slot_l), 0.0f);
        }

        test_block centre(16, 48000, mode);
        for (std::uint32_t k = 0; k < 16; ++k) centre.at(k, slot_c) = 1.0f;
        centre.at(3, slot_l) = 0.25f;
        surround_engine fresh;
        run_encoder(mode, fresh, centre.ctx);
        EXPECT_FLOAT_EQ(centre.at(0, slot_l), 0.707f);
        EXPECT_FLOAT_EQ(centre.at(15, slot_r), 0.707f);
        EXPECT_FLOAT_EQ(centre.at(3, slot_l), 0.957f);
    }
}

// Amplitude on L of a steady tone fed as the mono surround, measured over the second half. The
// surround is in phase on L and opposed on R.
double mono_surround_gain(double hz, std::int32_t fs) {
    surround_engine engine;
    test_block block(std::uint32_t(fs), fs, mode_encode);
    block.set_channel(slot_lfe, sine(block.frames(), hz, fs));
    encode_mono_surround(engine, block.ctx);
    for (std::uint32_t k = 0; k < block.frames(); ++k)
        EXPECT_EQ(block.at(k, slot_r), -block.at(k, slot_l)) << k;
    return amplitude_at(block.channel(slot_l), hz, fs, std::uint32_t(fs / 2));
}

TEST(EncodeMonoSurround, SurroundIsBandLimitedTo100HzTo7kHz) {
    EXPECT_NEAR(mono_surround_gain(1000, 44100), 0.707, 0.003);
    EXPECT_NEAR(mono_surround_gain(100, 44100), 0.707 * std::sqrt(0.5), 0.003);
    EXPECT_NEAR(mono_surround_gain(7000, 44100), 0.707 * std::sqrt(0.5), 0.003);
    EXPECT_LT(mono_surround_gain(15000, 44100), 0.07);
    EXPECT_LT(mono_surround_gain(20, 44100), 0.03);
}

TEST(EncodeMonoSurround, LowPassIsLeftOutWhere7kHzIsPastNyquist) {
    // At 14 kHz the surround is high-passed and phase-shifted only.
    for (const std::int32_t fs : {14000, 8000}) {
        surround_engine engine;
        test_block block(2000, fs, mode_encode);
        const std::vector<float> s = noise(2000, 4);
        block.set_channel(slot_lfe, s);
        encode_mono_surround(engine, block.ctx);

        surround_engine reference;
        test_block expected(2000, fs, mode_encode);
        expected.set_channel(slot_lfe, s);
        butterworth_highpass(reference.encoders.surround_a.highpass, expected.data(), slot_lfe,
                             100.0f, frame_width, expected.ctx);
        phase_shift_network(reference.encoders.surround_a.phase_shift, expected.ctx, slot_lfe);
        for (std::uint32_t k = 0; k < 2000; ++k)
            ASSERT_EQ(block.at(k, slot_l), float(0.707f * double(expected.at(k, slot_lfe))));
    }
}

TEST(EncodeStereoSurround, EachSurroundLeansToItsOwnSideAtMinus707) {
    // SL alone: R carries it at -0.5774 / 0.8165 of what L carries, sample by sample (same phase
    // shift); SR alone gives the mirror image.
    const double ratio = -0.5774 / 0.8165;
    for (const std::uint32_t slot : {slot_sl, slot_sr}) {
        surround_engine engine;
        test_block block(6000, 44100, mode_encode2);
        block.set_channel(slot, sine(6000, 440, 44100));
        encode_stereo_surround(engine, block.ctx);
        const std::uint32_t near = slot == slot_sl ? slot_l : slot_r;
        const std::uint32_t far = slot == slot_sl ? slot_r : slot_l;
        for (std::uint32_t k = 0; k < block.frames(); ++k) {
            const float n = block.at(k, near), f = block.at(k, far);
            if (std::fabs(n) > 1e-3f) {
                ASSERT_NEAR(f / n, ratio, 1e-5) << k;
            }
        }
        EXPECT_NEAR(amplitude_at(block.channel(near), 440, 44100, 2000), 0.8165, 0.003);
    }
}

TEST(Encoders, ConstantSurroundIsRemoved) {
    // The 100 Hz high-pass lets the step through at first, then nothing of it reaches L or R.
    for (const std::int32_t mode : {mode_encode, mode_encode2}) {
        surround_engine engine;
        test_block block(44100, 44100, mode);
        for (std::uint32_t k = 0; k < block.frames(); ++k) {
            block.at(k, slot_lfe) = 1.0f;
            block.at(k, slot_sl) = 1.0f;
            block.at(k, slot_sr) = -0.5f;
        }
        run_encoder(mode, engine, block.ctx);
        EXPECT_GT(std::fabs(block.at(10, slot_l)), 0.1f);
        EXPECT_NEAR(block.at(44099, slot_l), 0.0f, 1e-4);
        EXPECT_NEAR(block.at(44099, slot_r), 0.0f, 1e-4);
    }
}

TEST(Encoders, ShareTheFirstSurroundsMemoriesAcrossAModeSwitch) {
    // The surround filtered by the mono encoder, then by the stereo encoder as SL, is one
    // continuous signal: the second half matches a mono run over the whole, scaled 0.8165/0.707.
    const std::vector<float> s = noise(4000, 5);
    surround_engine whole_engine;
    test_block whole(4000, 44100, mode_encode);
    whole.set_channel(slot_lfe, s);
    encode_mono_surround(whole_engine, whole.ctx);

    surround_engine engine;
    test_block first(2000, 44100, mode_encode), second(2000, 44100, mode_encode2);
    first.set_channel(slot_lfe, std::vector<float>(s.begin(), s.begin() + 2000));
    second.set_channel(slot_sl, std::vector<float>(s.begin() + 2000, s.end()));
    encode_mono_surround(engine, first.ctx);
    encode_stereo_surround(engine, second.ctx);
    for (std::uint32_t k = 0; k < 2000; ++k) {
        ASSERT_NEAR(second.at(k, slot_l) / 0.8165, whole.at(2000 + k, slot_l) / 0.707, 1e-5) << k;
    }
    // The mono encoder never touches the B memories.
    EXPECT_EQ(whole_engine.encoders.surround_b.highpass.y1, 0.0f);
    EXPECT_EQ(whole_engine.encoders.surround_b.lowpass.y1, 0.0f);
    EXPECT_EQ(whole_engine.encoders.surround_b.phase_shift.section[3].y1, 0.0f);
}

TEST(Encoders, ChunksOfAnySizeEqualOneWholeBlock) {
    for (const std::int32_t mode : {mode_encode, mode_encode2}) {
        SCOPED_TRACE(mode);
        test_block source(9000, 48000, mode);
        fill_with_noise(source);
        matrix_test::expect_chunk_size_invariant<surround_engine>(
            source, [mode](surround_engine& e, block_context& ctx) { run_encoder(mode, e, ctx); });
    }
}

TEST(PhaseShiftNetwork, PassesEveryFrequencyAtUnitGain) {
    // An all-pass impulse response carries exactly the impulse's energy.
    phase_shift_memory memory;
    test_block impulse(20000, 44100, mode_encode);
    impulse.at(0, slot_sl) = 1.0f;
    phase_shift_network(memory, impulse.ctx, slot_sl);
    double energy = 0;
    for (const float h : impulse.channel(slot_sl)) energy += double(h) * h;
    EXPECT_NEAR(energy, 1.0, 1e-5);

    for (const double hz : {30.0, 440.0, 5000.0, 18000.0}) {
        phase_shift_memory m;
        test_block tone(44100, 44100, mode_encode);
        const std::vector<float> in = sine(44100, hz, 44100);
        tone.set_channel(slot_sr, in);
        phase_shift_network(m, tone.ctx, slot_sr);
        const std::vector<float> out = tone.channel(slot_sr);
        EXPECT_NEAR(amplitude_at(out, hz, 44100, 22050), 1.0, 2e-3) << hz;
        std::vector<float> moved(out.size());
        for (std::size_t k = 0; k < out.size(); ++k) moved[k] = out[k] - in[k];
        EXPECT_GT(amplitude_at(moved, hz, 44100, 22050), 0.01) << "the phase moves at " << hz;
    }
}

}  // namespace
}  // namespace ambiora
