// The two matrix encoders with the folds before them, and the phase-shift network of their
// surround path.
#include "engine_test_support.h"

namespace ambiora::engine_test {
namespace {

// A 1 kHz tone in one slot of a four- or six-channel source, through the encoder's whole path
// (fold and encoder): what reaches L and R. The mono encoder takes SL and SR at 0.707 into its
// surround, and a four-channel source's centre from L and R at 0.707. The surrounds pass the
// 100 Hz - 7 kHz band and the phase network (0.9997 at 1 kHz) first, so their weights show as a
// ratio of R to L, sample by sample.
TEST(Encoders, EachSourceChannelReachesLeftAndRightWithItsWeights) {
    // The LFE restored by 10 dB, a third to each front, and the centre's third again at 0.707.
    const double fold = 3.162 / 3 * 1.707;
    const struct {
        std::int32_t mode, channels;
        unsigned slot;
        double left, right;
    } cases[] = {{mode_encode, 6, slot_l, 1, 0},
                 {mode_encode, 6, slot_c, 0.707, 0.707},
                 {mode_encode, 6, slot_lfe, fold, fold},
                 {mode_encode, 6, slot_sl, 0.5, -0.5},
                 {mode_encode, 4, slot_l, 1.5, 0.5},
                 {mode_encode2, 6, slot_r, 0, 1},
                 {mode_encode2, 6, slot_c, 0.707, 0.707},
                 {mode_encode2, 6, slot_lfe, fold, fold},
                 {mode_encode2, 6, slot_sl, 0.8165, -0.5774},
                 {mode_encode2, 6, slot_sr, 0.5774, -0.8165}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "mode " << c.mode << ", " << c.channels << " channels, slot " << c.slot);
        test_block block(44100, 44100, c.mode);
        block.ctx.input_channels = c.channels;
        block.set_channel(c.slot, sine(44100, 1000, 44100));
        surround_engine engine;
        process_block(engine, block.ctx);
        ASSERT_EQ(block.ctx.output_channels, 2);
        const std::vector<float> l = block.channel(slot_l), r = block.channel(slot_r);
        EXPECT_NEAR(amplitude_at(l, 1000, 44100, 22050), std::fabs(c.left), 3e-3);
        EXPECT_NEAR(amplitude_at(r, 1000, 44100, 22050), std::fabs(c.right), 3e-3);
        for (unsigned k = 0; k < 44100; ++k) {
            if (std::fabs(l[k]) > 1e-3f) {
                ASSERT_NEAR(r[k] / l[k], c.right / c.left, 1e-4) << k;
            }
            for (const unsigned slot : {slot_c, slot_lfe, slot_sl, slot_sr})
                ASSERT_EQ(block.at(k, slot), 0.0f) << "frame " << k << ", slot " << slot;
        }
    }
}

// Four all-pass sections (c - z^-2) / (1 - c z^-2): the impulse response keeps exactly the
// impulse's energy, and its first sample is the product of the four coefficients, the squares of
// the network's design values.
TEST(PhaseShiftNetwork, PassesEveryFrequencyAtUnitGainAndStartsAtItsDesignProduct) {
    phase_shift_memory memory;
    test_block impulse(20000, 44100, mode_encode);
    impulse.at(0, slot_sl) = 1.0f;
    phase_shift_network(memory, impulse.ctx, slot_sl);
    const std::vector<float> h = impulse.channel(slot_sl);
    double energy = 0;
    for (const float x : h) energy += double(x) * x;
    EXPECT_NEAR(energy, 1.0, 1e-5);
    const double product = 0.4021921162426 * 0.8561710882420 * 0.9722909545651 * 0.9952884791278;
    EXPECT_NEAR(h[0], product * product, 1e-7);
    EXPECT_EQ(h[1], 0.0f);
}

}  // namespace
}  // namespace ambiora::engine_test
