#include "matrix/encoder_state.h"

#include <initializer_list>

#include "engine/contain_damage.h"

namespace ambiora {

void encoder_state::reset() {
    surround_a = {};
    surround_b = {};
}

void encoder_state::contain_non_finite(std::uint32_t) {
    for (encoder_surround_memories* chain : {&surround_a, &surround_b}) {
        contain_damage(chain->highpass);
        contain_damage(chain->lowpass);
        contain_damage(chain->phase_shift);
    }
}

}  // namespace ambiora
