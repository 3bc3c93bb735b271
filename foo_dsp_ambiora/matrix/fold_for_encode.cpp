// The encoders' preparation: the folds that bring a four-, five- or six-channel source into the
// shape each encoder reads.
#include "engine/surround_engine.h"

namespace ambiora {
namespace {

constexpr float fold_gain = 0.707f;       // -3 dB for a pair summed into one channel
constexpr float one_third = 0.33333334f;  // LFE shared among L, R and C
constexpr float plus_10db = 3.162f;       // LFE is recorded 10 dB down

// A four-channel source has no centre: make one from the front pair.
inline void centre_from_fronts(float* f) {
    f[slot_c] = static_cast<float>(double(fold_gain) * (double(f[slot_l]) + double(f[slot_r])));
}

// A six-channel source's LFE goes to the three fronts, a third each, restored to full level.
inline void lfe_into_fronts(float* f) {
    const double t = double(f[slot_lfe]) * one_third * plus_10db;
    f[slot_l] = static_cast<float>(f[slot_l] + t);
    f[slot_r] = static_cast<float>(f[slot_r] + t);
    f[slot_c] = static_cast<float>(f[slot_c] + t);
}

// encode_mono_surround reads its single surround from the LFE slot.
inline void mono_surround_into_lfe(float* f) {
    f[slot_lfe] = static_cast<float>(double(fold_gain) * (double(f[slot_sl]) + double(f[slot_sr])));
}

}  // namespace

void fold_for_encode(block_context& ctx) {
    float* f = ctx.work->data;
    for (std::uint32_t i = 0; i < ctx.frame_count; ++i, f += frame_width) {
        if (ctx.input_channels == 4) centre_from_fronts(f);
        if (ctx.input_channels == 6) lfe_into_fronts(f);
        mono_surround_into_lfe(f);
    }
}

void fold_for_encode2(block_context& ctx) {
    float* f = ctx.work->data;
    for (std::uint32_t i = 0; i < ctx.frame_count; ++i, f += frame_width) {
        if (ctx.input_channels == 4) centre_from_fronts(f);
        if (ctx.input_channels == 6) lfe_into_fronts(f);
    }
}

}  // namespace ambiora
