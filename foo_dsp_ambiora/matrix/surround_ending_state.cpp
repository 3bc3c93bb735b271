#include "matrix/surround_ending_state.h"

#include "engine/contain_damage.h"

namespace ambiora {

void surround_ending_state::reset() {
    for (biquad_state& s : lowpass) s = {};
    for (delay_line& line : delay) line.reset();
}

void surround_ending_state::contain_non_finite(std::uint32_t frames_in) {
    for (biquad_state& s : lowpass) contain_damage(s);
    for (delay_line& line : delay) line.contain_non_finite(frames_in);
}

void surround_ending_state::release() {
    delay[1].release();
    delay[0].release();
}

}  // namespace ambiora
