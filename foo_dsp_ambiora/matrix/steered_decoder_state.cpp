#include "matrix/steered_decoder_state.h"

#include "engine/contain_damage.h"

namespace ambiora {

void steered_decoder_state::reset() {
    for (biquad_state& s : band_split) s = {};
    steer_lr_high_memory = {};
    steer_fb_high_memory = {};
    steer_lr_low_memory = {};
    steer_fb_low_memory = {};
}

void steered_decoder_state::contain_non_finite(std::uint32_t) {
    for (biquad_state& s : band_split) contain_damage(s);
    contain_damage(steer_lr_high_memory);
    contain_damage(steer_fb_high_memory);
    contain_damage(steer_lr_low_memory);
    contain_damage(steer_fb_low_memory);
}

void steered_decoder_state::release() {
    steer_fb_low.release();
    steer_lr_low.release();
    steer_fb_high.release();
    steer_lr_high.release();
    band_low.release();
    band_high.release();
}

}  // namespace ambiora
