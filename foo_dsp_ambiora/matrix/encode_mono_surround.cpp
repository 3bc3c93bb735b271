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
    float* work = ctx.work->data;
    // fold_for_encode has put the mono surround in the LFE slot.
    shape_encoder_surround(engine.encoders.surround_a, ctx, slot_lfe);

    float* frame = work;
    for (std::uint32_t k = 0; k < ctx.frame_count; ++k, frame += frame_width) {
        const double centre = mix_gain * double(frame[slot_c]);
        const double surround = mix_gain * double(frame[slot_lfe]);
        frame[slot_l] = float(frame[slot_l] + centre + surround);
        frame[slot_r] = float(frame[slot_r] + centre - surround);
        frame[slot_c] = 0.0f;
        frame[slot_lfe] = 0.0f;
        frame[slot_sl] = 0.0f;
        frame[slot_sr] = 0.0f;
    }
}

}  // namespace ambiora
