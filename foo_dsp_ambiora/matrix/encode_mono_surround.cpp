// The two-channel matrix encoder with one surround: S in phase on L, in opposite phase on R.
//
// The surround is first band-limited to 100 Hz - 7 kHz, the band the decoders' surround outputs
// carry, and shifted by the phase network; the centre goes to both sides at 0.707 (-3 dB), so
// that L + R recovers it. A decoder then finds the centre on the front axis and S on the back.
//
// At 14 kHz and below, 7 kHz is at or beyond Nyquist: the low-pass then passes the signal
// unchanged (see butterworth_filters.cpp), the rate itself being the band limit.
#include "engine/surround_engine.h"
#include "matrix/encoder_surround_chain.h"

namespace ambiora {
namespace {

constexpr float mix_gain = 0.707f;

}  // namespace

void encode_mono_surround(surround_engine& engine, block_context& ctx) {
    // S goes to L in phase and to R in opposite phase.
    const __m128d surround_weights = pack_lanes(mix_gain, -double(mix_gain));
    auto mix = [&](float* frame, __m128d shaped) {
        const __m128d centre = _mm_set1_pd(mix_gain * double(frame[slot_c]));
        const __m128d surround = _mm_mul_pd(surround_weights, _mm_unpacklo_pd(shaped, shaped));
        write_encoded_frame(frame,
                            _mm_add_pd(_mm_add_pd(load_front_pair(frame), centre), surround));
    };
    // fold_for_encode has put the mono surround in the LFE slot.
    shape_and_mix_encoder_surround(engine.encoders.surround_a, slot_lfe, ctx, mix);
}

}  // namespace ambiora
