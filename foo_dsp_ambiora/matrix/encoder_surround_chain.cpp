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

// The six sections of one channel, with their memories loaded.
class surround_chain {
  public:
    surround_chain(const butterworth_coefficients& highpass,
                   const butterworth_coefficients& lowpass,
                   const encoder_surround_memories& memories)
        : memories_(memories),
          highpass_(highpass, memories.highpass),
          lowpass_(lowpass, memories.lowpass),
          phase_{{phase_shift_coefficients[0], memories.phase_shift.section[0]},
                 {phase_shift_coefficients[1], memories.phase_shift.section[1]},
                 {phase_shift_coefficients[2], memories.phase_shift.section[2]},
                 {phase_shift_coefficients[3], memories.phase_shift.section[3]}} {}

    float step(float x) {
        float y = lowpass_.step(highpass_.step(x));
        for (all_pass_section& section : phase_) y = section.step(y);
        return y;
    }

    void store_memories() const {
        memories_.highpass = highpass_.memory();
        memories_.lowpass = lowpass_.memory();
        for (int s = 0; s < 4; ++s) memories_.phase_shift.section[s] = phase_[s].memory();
    }

  private:
    const encoder_surround_memories& memories_;
    butterworth_section highpass_;
    butterworth_section lowpass_;
    all_pass_section phase_[4];
};

bool design_chain(const block_context& ctx, butterworth_coefficients& highpass,
                  butterworth_coefficients& lowpass) {
    return butterworth_highpass_design(surround_highpass_hz, ctx.sample_rate, highpass) &&
           butterworth_lowpass_design(surround_lowpass_hz, ctx.sample_rate, lowpass);
}

void shape_in_passes(const encoder_surround_memories& memories, block_context& ctx,
                     std::uint32_t channel) {
    float* work = ctx.work->data;
    butterworth_highpass(memories.highpass, work, channel, surround_highpass_hz, frame_width, ctx);
    butterworth_lowpass(memories.lowpass, work, channel, surround_lowpass_hz, frame_width, ctx);
    phase_shift_network(memories.phase_shift, ctx, channel);
}

}  // namespace

void shape_encoder_surround(const encoder_surround_memories& memories, block_context& ctx,
                            std::uint32_t channel) {
    butterworth_coefficients highpass, lowpass;
    if (!design_chain(ctx, highpass, lowpass)) {
        shape_in_passes(memories, ctx, channel);
        return;
    }
    surround_chain chain(highpass, lowpass, memories);
    float* sample = ctx.work->data + channel;
    for (std::uint32_t k = 0; k < ctx.frame_count; ++k, sample += frame_width)
        *sample = chain.step(*sample);
    chain.store_memories();
}

void shape_encoder_surround_pair(const encoder_surround_memories& first,
                                 std::uint32_t first_channel,
                                 const encoder_surround_memories& second,
                                 std::uint32_t second_channel, block_context& ctx) {
    butterworth_coefficients highpass, lowpass;
    if (!design_chain(ctx, highpass, lowpass)) {
        shape_in_passes(first, ctx, first_channel);
        shape_in_passes(second, ctx, second_channel);
        return;
    }
    surround_chain a(highpass, lowpass, first), b(highpass, lowpass, second);
    float* frame = ctx.work->data;
    for (std::uint32_t k = 0; k < ctx.frame_count; ++k, frame += frame_width) {
        frame[first_channel] = a.step(frame[first_channel]);
        frame[second_channel] = b.step(frame[second_channel]);
    }
    a.store_memories();
    b.store_memories();
}

}  // namespace ambiora
