// One branch of a 90-degree phase-difference network: four second-order all-pass sections.
//
// The encoders pass the surround signals through this network while L, R and C pass unshifted,
// so the surrounds reach the encoded pair at a phase of their own rather than adding coherently
// to the front content they overlap with. Each section, (c - z^-2) / (1 - c z^-2), has unit gain
// at every frequency, and so has the cascade: only the phase moves. The coefficients do not
// depend on the sample rate.
#include "engine/surround_engine.h"

namespace ambiora {
namespace {

// Squares of 0.4021921162426, 0.8561710882420, 0.9722909545651 and 0.9952884791278, as floats.
constexpr float section_coefficient[4] = {0.16175850f, 0.73302889f, 0.94534963f, 0.99059916f};

// y = c (x + y2) - x2, in double, each output stored as a float (it is also the next input).
void all_pass_section(biquad_state& state, float c, float* data, std::uint32_t channel,
                      std::uint32_t frames) {
    double x1 = state.x1, x2 = state.x2, y1 = state.y1, y2 = state.y2;
    float* sample = data + channel;
    for (std::uint32_t k = 0; k < frames; ++k, sample += frame_width) {
        const double x = *sample;
        const float y = float(c * (x + y2) - x2);
        *sample = y;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
    }
    state = {float(x1), float(x2), float(y1), float(y2)};
}

}  // namespace

void phase_shift_network(phase_shift_memory& memory, block_context& ctx, std::uint32_t channel) {
    for (int s = 0; s < 4; ++s) {
        all_pass_section(memory.section[s], section_coefficient[s], ctx.work->data, channel,
                         ctx.frame_count);
    }
}

}  // namespace ambiora
