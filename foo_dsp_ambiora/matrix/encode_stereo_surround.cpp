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
    // L takes SL at +near and SR at +far, R takes SL at -far and SR at -near.
    const __m128d sl_weights = pack_lanes(near_side_gain, -double(far_side_gain));
    const __m128d sr_weights = pack_lanes(far_side_gain, -double(near_side_gain));
    auto mix = [&](float* frame, __m128d surrounds) {
        const __m128d centre = _mm_set1_pd(centre_gain * double(frame[slot_c]));
        const __m128d sl = _mm_unpacklo_pd(surrounds, surrounds);
        const __m128d sr = _mm_unpackhi_pd(surrounds, surrounds);
        __m128d front = _mm_add_pd(load_front_pair(frame), centre);
        front = _mm_add_pd(front, _mm_mul_pd(sl_weights, sl));
        front = _mm_add_pd(front, _mm_mul_pd(sr_weights, sr));
        write_encoded_frame(frame, front);
    };
    shape_and_mix_encoder_surround_pair(engine.encoders.surround_a, slot_sl,
                                        engine.encoders.surround_b, slot_sr, ctx, mix);
}

}  // namespace ambiora
