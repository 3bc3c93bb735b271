// The combined filter passes (two channels at once, the encoders' six-section chain) against the
// single-filter passes they replace: the same samples and memories, bit for bit, also where a
// filter falls back to its limit form.
#include <gtest/gtest.h>

#include "matrix/biquad_sections.h"
#include "matrix/encoder_surround_chain.h"
#include "matrix_test_support.h"

namespace ambiora {
namespace {

using matrix_test::noise;
using matrix_test::test_block;

bool same_memory(const biquad_state& a, const biquad_state& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool same_samples(const test_block& a, const test_block& b) {
    return matrix_test::same_bits(a.work.data, b.work.data, a.ctx.frame_count * frame_width);
}

// Noise in the SL, SR and LFE slots.
void fill_noise(test_block& block, std::uint32_t seed) {
    block.set_channel(slot_sl, noise(block.frames(), seed));
    block.set_channel(slot_sr, noise(block.frames(), seed + 1));
    block.set_channel(slot_lfe, noise(block.frames(), seed + 2));
}

TEST(MatrixFilterPasses, PairsMatchTwoSinglePasses) {
    struct case_t {
        bool highpass;
        float cutoff;
        std::int32_t rate;
    };
    // Inside the design range, and beyond Nyquist (limit filters) for both kinds.
    for (const case_t c :
         {case_t{true, 1200.0f, 44100}, case_t{false, 7000.0f, 48000}, case_t{false, 7.95f, 44100},
          case_t{true, 1200.0f, 2000}, case_t{false, 7000.0f, 8000}}) {
        biquad_state pair_memory[2] = {{0.1f, -0.2f, 0.3f, 0.05f}, {-0.4f, 0.2f, 0.1f, -0.3f}};
        biquad_state single_memory[2] = {pair_memory[0], pair_memory[1]};
        test_block paired(777, c.rate), single(777, c.rate);
        fill_noise(paired, 5);
        fill_noise(single, 5);
        float* p = paired.data();
        float* s = single.data();
        if (c.highpass) {
            butterworth_highpass_pair(pair_memory[0], p + slot_sl, pair_memory[1], p + slot_sr,
                                      c.cutoff, frame_width, paired.ctx);
            butterworth_highpass(single_memory[0], s, slot_sl, c.cutoff, frame_width, single.ctx);
            butterworth_highpass(single_memory[1], s, slot_sr, c.cutoff, frame_width, single.ctx);
        } else {
            butterworth_lowpass_pair(pair_memory[0], p + slot_sl, pair_memory[1], p + slot_sr,
                                     c.cutoff, frame_width, paired.ctx);
            butterworth_lowpass(single_memory[0], s, slot_sl, c.cutoff, frame_width, single.ctx);
            butterworth_lowpass(single_memory[1], s, slot_sr, c.cutoff, frame_width, single.ctx);
        }
        EXPECT_TRUE(same_samples(paired, single)) << c.cutoff << " Hz at " << c.rate;
        EXPECT_TRUE(same_memory(pair_memory[0], single_memory[0]));
        EXPECT_TRUE(same_memory(pair_memory[1], single_memory[1]));
    }
}

// Memories that are not at rest.
encoder_surround_memories primed_memories() {
    return {{0.01f, 0.02f, -0.01f, 0.03f},
            {-0.02f, 0.01f, 0.02f, -0.01f},
            {{{0.1f, 0.2f, 0.3f, 0.4f},
              {-0.1f, 0.0f, 0.1f, 0.2f},
              {0.3f, -0.3f, 0.2f, -0.2f},
              {0.05f, 0.06f, 0.07f, 0.08f}}}};
}

bool same_memories(const encoder_surround_memories& a, const encoder_surround_memories& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void shape_in_separate_passes(encoder_surround_memories& m, test_block& block, std::uint32_t slot) {
    butterworth_highpass(m.highpass, block.data(), slot, 100.0f, frame_width, block.ctx);
    butterworth_lowpass(m.lowpass, block.data(), slot, 7000.0f, frame_width, block.ctx);
    phase_shift_network(m.phase_shift, block.ctx, slot);
}

TEST(MatrixFilterPasses, EncoderChainMatchesItsSixPasses) {
    // 44.1 kHz runs the fused chain; at 12 kHz the 7 kHz low-pass is a limit filter.
    for (std::int32_t rate : {44100, 96000, 12000}) {
        encoder_surround_memories chained_a = primed_memories(), chained_b = primed_memories(),
                                  separate_a = primed_memories(), separate_b = primed_memories();
        test_block chained(1500, rate), separate(1500, rate);
        fill_noise(chained, 9);
        fill_noise(separate, 9);
        shape_encoder_surround_pair(chained_a, slot_sl, chained_b, slot_sr, chained.ctx);
        shape_in_separate_passes(separate_a, separate, slot_sl);
        shape_in_separate_passes(separate_b, separate, slot_sr);
        EXPECT_TRUE(same_samples(chained, separate)) << rate;
        EXPECT_TRUE(same_memories(chained_a, separate_a)) << rate;
        EXPECT_TRUE(same_memories(chained_b, separate_b)) << rate;

        encoder_surround_memories mono_chained = primed_memories(),
                                  mono_separate = primed_memories();
        shape_encoder_surround(mono_chained, chained.ctx, slot_lfe);
        shape_in_separate_passes(mono_separate, separate, slot_lfe);
        EXPECT_TRUE(same_samples(chained, separate)) << rate;
        EXPECT_TRUE(same_memories(mono_chained, mono_separate)) << rate;
    }
}

}  // namespace
}  // namespace ambiora
