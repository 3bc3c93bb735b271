// Six sections in one loop instead of six passes over the block.
//
// Each pass on its own is bound by its recurrence: an output cannot be computed before the one
// it feeds back. Cascaded in one loop, the sections work on successive samples at the same time
// (the second section's sample k overlaps the first section's sample k + 1), so the whole chain
// costs little more than its slowest section. Every section still sees the float samples it
// would see in separate passes, so the result is the same bit for bit.
//
// When a filter falls back to its limit form (7 kHz at 14 kHz and below, see
// butterworth_filters.cpp) the separate passes run instead.
#include "matrix/encoder_surround_chain.h"

#include "matrix/biquad_sections.h"

namespace ambiora {
namespace {

constexpr float surround_highpass_hz = 100.0f;
constexpr float surround_lowpass_hz = 7000.0f;

// The six sections of two channels, one per lane (see butterworth_section_pair), with their
// memories loaded. A single channel runs in the first lane beside an idle second one: a lane
// costs nothing extra.
class surround_chain_pair {
  public:
    surround_chain_pair(const butterworth_coefficients& highpass,
                        const butterworth_coefficients& lowpass, encoder_surround_memories& first,
                        encoder_surround_memories& second)
        : first_(first),
          second_(second),
          highpass_(highpass, first.highpass, second.highpass),
          lowpass_(lowpass, first.lowpass, second.lowpass),
          phase_{section(0), section(1), section(2), section(3)} {}

    __m128d step(__m128d x) {
        __m128d y = lowpass_.step(highpass_.step(x));
        for (all_pass_section_pair& section : phase_) y = section.step(y);
        return y;
    }

    void store_memories() const {
        first_.highpass = highpass_.first_memory();
        second_.highpass = highpass_.second_memory();
        first_.lowpass = lowpass_.first_memory();
        second_.lowpass = lowpass_.second_memory();
        for (int s = 0; s < 4; ++s) {
            first_.phase_shift.section[s] = phase_[s].first_memory();
            second_.phase_shift.section[s] = phase_[s].second_memory();
        }
    }

  private:
    all_pass_section_pair section(int s) const {
        return {phase_shift_coefficients[s], first_.phase_shift.section[s],
                second_.phase_shift.section[s]};
    }

    encoder_surround_memories& first_;
    encoder_surround_memories& second_;
    butterworth_section_pair highpass_;
    butterworth_section_pair lowpass_;
    all_pass_section_pair phase_[4];
};

bool design_chain(const block_context& ctx, butterworth_coefficients& highpass,
                  butterworth_coefficients& lowpass) {
    return butterworth_highpass_design(surround_highpass_hz, ctx.sample_rate, highpass) &&
           butterworth_lowpass_design(surround_lowpass_hz, ctx.sample_rate, lowpass);
}

void shape_in_passes(encoder_surround_memories& memories, block_context& ctx,
                     std::uint32_t channel) {
    float* work = ctx.work->data;
    butterworth_highpass(memories.highpass, work, channel, surround_highpass_hz, frame_width, ctx);
    butterworth_lowpass(memories.lowpass, work, channel, surround_lowpass_hz, frame_width, ctx);
    phase_shift_network(memories.phase_shift, ctx, channel);
}

}  // namespace

void shape_encoder_surround(encoder_surround_memories& memories, block_context& ctx,
                            std::uint32_t channel) {
    butterworth_coefficients highpass, lowpass;
    if (!design_chain(ctx, highpass, lowpass)) {
        shape_in_passes(memories, ctx, channel);
        return;
    }
    encoder_surround_memories idle;
    surround_chain_pair chains(highpass, lowpass, memories, idle);
    float* sample = ctx.work->data + channel;
    for (std::uint32_t k = 0; k < ctx.frame_count; ++k, sample += frame_width)
        *sample = first_lane(chains.step(pack_lanes(*sample, 0.0)));
    chains.store_memories();
}

void shape_encoder_surround_pair(encoder_surround_memories& first, std::uint32_t first_channel,
                                 encoder_surround_memories& second, std::uint32_t second_channel,
                                 block_context& ctx) {
    butterworth_coefficients highpass, lowpass;
    if (!design_chain(ctx, highpass, lowpass)) {
        shape_in_passes(first, ctx, first_channel);
        shape_in_passes(second, ctx, second_channel);
        return;
    }
    surround_chain_pair chains(highpass, lowpass, first, second);
    float* frame = ctx.work->data;
    for (std::uint32_t k = 0; k < ctx.frame_count; ++k, frame += frame_width) {
        const __m128d y = chains.step(pack_lanes(frame[first_channel], frame[second_channel]));
        frame[first_channel] = first_lane(y);
        frame[second_channel] = second_lane(y);
    }
    chains.store_memories();
}

}  // namespace ambiora
