#include "matrix/bass_redirect_state.h"

#include "engine/contain_damage.h"

namespace ambiora {

void bass_redirect_state::reset() {
    for (biquad_state& s : highpass) s = {};
}

void bass_redirect_state::contain_non_finite(std::uint32_t) {
    for (biquad_state& s : highpass) contain_damage(s);
}

void bass_redirect_state::release() {
    removed.release();
}

}  // namespace ambiora
