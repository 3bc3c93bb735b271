#include "matrix/encoder_surround_chain.h"

namespace ambiora {
namespace {

constexpr float surround_highpass_hz = 100.0f;
constexpr float surround_lowpass_hz = 7000.0f;

all_pass_section_pair phase_section(int s, const encoder_surround_memories& first,
                                    const encoder_surround_memories& second) {
    return {phase_shift_coefficients[s], first.phase_shift.section[s],
            second.phase_shift.section[s]};
}

}  // namespace

surround_chain_pair::surround_chain_pair(const butterworth_coefficients& highpass,
                                         const butterworth_coefficients& lowpass,
                                         encoder_surround_memories& first,
                                         encoder_surround_memories& second)
    : first_(first),
      second_(second),
      highpass_(highpass, first.highpass, second.highpass),
      lowpass_(lowpass, first.lowpass, second.lowpass),
      phase_{phase_section(0, first, second), phase_section(1, first, second),
             phase_section(2, first, second), phase_section(3, first, second)} {}

void surround_chain_pair::store_memories() const {
    first_.highpass = highpass_.first_memory();
    second_.highpass = highpass_.second_memory();
    first_.lowpass = lowpass_.first_memory();
    second_.lowpass = lowpass_.second_memory();
    for (int s = 0; s < 4; ++s) {
        first_.phase_shift.section[s] = phase_[s].first_memory();
        second_.phase_shift.section[s] = phase_[s].second_memory();
    }
}

bool design_surround_chain(const block_context& ctx, butterworth_coefficients& highpass,
                           butterworth_coefficients& lowpass) {
    return butterworth_highpass_design(surround_highpass_hz, ctx.sample_rate, highpass) &&
           butterworth_lowpass_design(surround_lowpass_hz, ctx.sample_rate, lowpass);
}

void shape_surround_in_passes(encoder_surround_memories& memories, block_context& ctx,
                              std::uint32_t channel) {
    float* work = ctx.work->data;
    butterworth_highpass(memories.highpass, work, channel, surround_highpass_hz, frame_width, ctx);
    butterworth_lowpass(memories.lowpass, work, channel, surround_lowpass_hz, frame_width, ctx);
    phase_shift_network(memories.phase_shift, ctx, channel);
}

}  // namespace ambiora
