// The second-order Butterworth filters, in every stage that has one: 3 dB down at the corner and
// 40 dB a decade beyond it, which tells a second-order filter from a first- or fourth-order one.
#include "engine_test_support.h"

namespace ambiora::engine_test {
namespace {

// The high band of the steered decoder's split, moved into SL where the table reads it.
void band_split_high(surround_engine& engine, block_context& ctx) {
    decode_steered(engine, ctx);
    for (unsigned k = 0; k < ctx.frame_count; ++k)
        ctx.work->data[k * frame_width + slot_sl] = engine.steered_decoder.band_high.data[2 * k];
}

// One second of a tone at 44.1 kHz into one slot: its amplitude in another. A hard-left tone
// reaches the passive decoder's surround at 0.3535, the mono surround the encoded L at 0.707.
TEST(ButterworthFilters, ThreeDecibelsDownAtTheCornerAndSecondOrderBeyond) {
    const struct {
        const char* what;
        void (*run)(surround_engine&, block_context&);
        unsigned in, out;
        double hz, expected;
    } cases[] = {
        {"steered band split", band_split_high, slot_l, slot_sl, 1200, 0.7071},
        {"steered band split", band_split_high, slot_l, slot_sl, 100, 0.00691},
        {"passive surround low-pass", decode_passive, slot_l, slot_sr, 1000, 0.35345},
        {"passive surround low-pass", decode_passive, slot_l, slot_sr, 7000, 0.3535 * 0.7071},
        {"passive surround low-pass", decode_passive, slot_l, slot_sr, 15000, 0.03149},
        {"bass crossover", redirect_bass, slot_l, slot_l, 80, 0.7071},
        {"encoder surround band", encode_mono_surround, slot_lfe, slot_l, 100, 0.707 * 0.7071},
        {"encoder surround band", encode_mono_surround, slot_lfe, slot_l, 1000, 0.7069},
        {"encoder surround band", encode_mono_surround, slot_lfe, slot_l, 7000, 0.707 * 0.7071}};
    for (const auto& c : cases) {
        surround_engine engine;
        test_block block(44100, 44100, c.run == decode_passive ? mode_plus_c : mode_asr);
        block.set_channel(c.in, sine(44100, c.hz, 44100));
        block.ctx.bass_redirect_on = 1;
        block.ctx.bass_redirect_hz = 80;
        c.run(engine, block.ctx);
        EXPECT_NEAR(amplitude_at(block.channel(c.out), c.hz, 44100, 22050), c.expected,
                    2e-4 + 1e-3 * c.expected)
            << c.what << " at " << c.hz << " Hz";
    }
}

}  // namespace
}  // namespace ambiora::engine_test
