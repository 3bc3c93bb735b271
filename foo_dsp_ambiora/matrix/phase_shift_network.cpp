// One branch of a 90-degree phase-difference network: four second-order all-pass sections.
//
// The encoders pass the surround signals through this network while L, R and C pass unshifted,
// so the surrounds reach the encoded pair at a phase of their own rather than adding coherently
// to the front content they overlap with. Each section, (c - z^-2) / (1 - c z^-2), has unit gain
// at every frequency, and so has the cascade: only the phase moves. The coefficients do not
// depend on the sample rate.
#include "engine/surround_engine.h"
#include "matrix/biquad_sections.h"

namespace ambiora {

// Squares of 0.4021921162426, 0.8561710882420, 0.9722909545651 and 0.9952884791278, as floats.
const float phase_shift_coefficients[4] = {0.16175850f, 0.73302889f, 0.94534963f, 0.99059916f};

void phase_shift_network(phase_shift_memory& memory, block_context& ctx, std::uint32_t channel) {
    for (int s = 0; s < 4; ++s) {
        all_pass_section section(phase_shift_coefficients[s], memory.section[s]);
        float* sample = ctx.work->data + channel;
        for (std::uint32_t k = 0; k < ctx.frame_count; ++k, sample += frame_width)
            *sample = section.step(*sample);
        memory.section[s] = section.memory();
    }
}

}  // namespace ambiora
