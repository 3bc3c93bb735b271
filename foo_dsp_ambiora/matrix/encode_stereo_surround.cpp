// The two-channel matrix encoder with two surrounds: SL and SR each go to both sides, unequally.
//
// SL lands on L at 0.8165 and on R at -0.5774, SR the mirror image; the two weights are sqrt(2/3)
// and sqrt(1/3), so each surround keeps its power, and R/L = -0.707 places it on the back axis
// but to its own side of it, which a steered decoder can separate into SL and SR again. Both
// surrounds are band-limited to 100 Hz - 7 kHz and phase-shifted like the mono surround; SL
// uses the same filter memories (A) as the mono encoder (see matrix/encoder_state.h).
//
// At 14 kHz and below, 7 kHz is at or beyond Nyquist: the low-pass then passes the signal
// unchanged (see butterworth_filters.cpp), the rate itself being the band limit.
#include "engine/surround_engine.h"
#include "matrix/encoder_surround_chain.h"

namespace ambiora {
namespace {

constexpr float centre_gain = 0.707f;
constexpr float near_side_gain = 0.8165f;
constexpr float far_side_gain = 0.5774f;

}  // namespace

void encode_stereo_surround(surround_engine& engine, block_context& ctx) {
    float* work = ctx.work->data;
    shape_encoder_surround_pair(engine.encoders.surround_a, slot_sl, engine.encoders.surround_b,
                                slot_sr, ctx);

    float* frame = work;
    for (std::uint32_t k = 0; k < ctx.frame_count; ++k, frame += frame_width) {
        const double centre = centre_gain * double(frame[slot_c]);
        const double sl = frame[slot_sl];
        const double sr = frame[slot_sr];
        frame[slot_l] = float(frame[slot_l] + centre + near_side_gain * sl + far_side_gain * sr);
        frame[slot_r] = float(frame[slot_r] + centre - far_side_gain * sl - near_side_gain * sr);
        frame[slot_c] = 0.0f;
        frame[slot_lfe] = 0.0f;
        frame[slot_sl] = 0.0f;
        frame[slot_sr] = 0.0f;
    }
}

}  // namespace ambiora
