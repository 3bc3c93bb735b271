// The encoders' surround path in one pass: 100 Hz high-pass, 7 kHz low-pass and the four
// all-pass sections of the phase-shift network, sample by sample, and the encoder's mix of each
// frame in the same loop.
//
// Each filter on its own is bound by its recurrence: an output cannot be computed before the one
// it feeds back. Cascaded in one skewed loop (see surround_chain_pair::run), the sections work on
// successive samples at the same time, so the whole chain costs little more than its slowest
// section, and the mix, which feeds nothing back, fills the time the processor would otherwise
// spend waiting on the recurrences. Every section still sees the float samples it would see in
// separate passes, and the mix sees the shaped samples a pass after the filters would, so the
// result is the same bit for bit.
//
// When a filter falls back to its limit form (7 kHz at 14 kHz and below, see
// butterworth_filters.cpp) the separate passes run instead, then the mix.
//
// Threading: functions of the engine's block, on the playback thread.
#pragma once

#include "engine/surround_engine.h"
#include "matrix/biquad_sections.h"

namespace ambiora {

// The six sections of two channels, one per lane (see butterworth_section_pair), with their
// memories loaded; store_memories() puts them back. A single channel runs in the first lane
// beside an idle second one: a lane costs nothing extra.
class surround_chain_pair {
  public:
    surround_chain_pair(const butterworth_coefficients& highpass,
                        const butterworth_coefficients& lowpass, encoder_surround_memories& first,
                        encoder_surround_memories& second);

    // Runs the chain over samples 0 .. frames - 1 of both lanes: input(n) gives sample n, and
    // output(n, y) takes it shaped, in order.
    //
    // In a plain loop each sample passes the six sections one after the other within an
    // iteration, and the processor cannot look far enough ahead to overlap six such chains of
    // dependent operations. Here the loop is skewed: in iteration n, section s works on sample
    // n - s, its input the output the section before gave in iteration n - 1, so the six steps of
    // an iteration do not depend on each other and run side by side. Every section still sees its
    // samples in order and computes what it computed before, bit for bit. The first and last
    // five iterations, where some sections have no sample, check each section.
    template <typename read_input, typename take_output>
    void run(std::uint32_t frames, read_input input, take_output output) {
        __m128d carried[5];  // sections 0..4's outputs of the previous iteration
        const std::uint32_t total = frames + 5;
        std::uint32_t n = 0;
        for (; n < 5 && n < total; ++n) advance<true>(n, frames, carried, input, output);
        for (; n < frames; ++n) advance<false>(n, frames, carried, input, output);
        for (; n < total; ++n) advance<true>(n, frames, carried, input, output);
    }

    void store_memories() const;

  private:
    // One skewed iteration. The sections are taken from the last to the first, so that each
    // reads what the one before it carried from the previous iteration before that is replaced.
    template <bool checked, typename read_input, typename take_output>
    void advance(std::uint32_t n, std::uint32_t frames, __m128d (&carried)[5], read_input& input,
                 take_output& output) {
        auto has_sample = [n, frames](std::uint32_t section) {
            return !checked || (n >= section && n - section < frames);
        };
        if (has_sample(5)) output(n - 5, phase_[3].step(carried[4]));
        if (has_sample(4)) carried[4] = phase_[2].step(carried[3]);
        if (has_sample(3)) carried[3] = phase_[1].step(carried[2]);
        if (has_sample(2)) carried[2] = phase_[0].step(carried[1]);
        if (has_sample(1)) carried[1] = lowpass_.step(carried[0]);
        if (has_sample(0)) carried[0] = highpass_.step(input(n));
    }

    encoder_surround_memories& first_;
    encoder_surround_memories& second_;
    butterworth_section_pair highpass_;
    butterworth_section_pair lowpass_;
    all_pass_section_pair phase_[4];
};

// The chain's two Butterworth designs at the block's rate; false where one falls back to its
// limit form and only the separate passes apply.
bool design_surround_chain(const block_context& ctx, butterworth_coefficients& highpass,
                           butterworth_coefficients& lowpass);

// The chain as separate passes over channel `channel` (stride frame_width) of the work buffer.
void shape_surround_in_passes(encoder_surround_memories& memories, block_context& ctx,
                              std::uint32_t channel);

// What both encoders' mixes read and write. L and R sit side by side in the frame and are mixed
// as a pair of doubles, one lane each; a term subtracted from R is added with its sign flipped,
// which IEEE arithmetic defines as the same operation. The other four slots are cleared.
static_assert(slot_r == slot_l + 1 && slot_lfe == slot_c + 1 && slot_sl == slot_c + 2 &&
                  slot_sr == slot_c + 3,
              "the encoders read L and R as a pair and clear C to SR as one group of four");

inline __m128d load_front_pair(const float* frame) {
    return _mm_cvtps_pd(_mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(frame)));
}

inline void write_encoded_frame(float* frame, __m128d front_pair) {
    _mm_storel_pi(reinterpret_cast<__m64*>(frame + slot_l), _mm_cvtpd_ps(front_pair));
    _mm_storeu_ps(frame + slot_c, _mm_setzero_ps());
}

// Shapes channel `channel` of the work buffer and calls mix(frame, shaped) for each frame, with
// the shaped sample in the first lane of `shaped` (a float widened to double; the second lane is
// 0). The shaped sample is not stored: the mix writes the whole frame.
template <typename frame_mix>
void shape_and_mix_encoder_surround(encoder_surround_memories& memories, std::uint32_t channel,
                                    block_context& ctx, frame_mix mix) {
    float* frame = ctx.work->data;
    butterworth_coefficients highpass, lowpass;
    if (!design_surround_chain(ctx, highpass, lowpass)) {
        shape_surround_in_passes(memories, ctx, channel);
        for (std::uint32_t k = 0; k < ctx.frame_count; ++k, frame += frame_width)
            mix(frame, pack_lanes(frame[channel], 0.0));
        return;
    }
    encoder_surround_memories idle;
    surround_chain_pair chains(highpass, lowpass, memories, idle);
    chains.run(
        ctx.frame_count,
        [frame, channel](std::uint32_t n) {
            return pack_lanes(frame[n * frame_width + channel], 0.0);
        },
        [frame, &mix](std::uint32_t n, __m128d shaped) { mix(frame + n * frame_width, shaped); });
    chains.store_memories();
}

// The same for two channels at once, each with its own memories: the first channel's shaped
// sample in the first lane, the second's in the second.
template <typename frame_mix>
void shape_and_mix_encoder_surround_pair(encoder_surround_memories& first,
                                         std::uint32_t first_channel,
                                         encoder_surround_memories& second,
                                         std::uint32_t second_channel, block_context& ctx,
                                         frame_mix mix) {
    float* frame = ctx.work->data;
    butterworth_coefficients highpass, lowpass;
    if (!design_surround_chain(ctx, highpass, lowpass)) {
        shape_surround_in_passes(first, ctx, first_channel);
        shape_surround_in_passes(second, ctx, second_channel);
        for (std::uint32_t k = 0; k < ctx.frame_count; ++k, frame += frame_width)
            mix(frame, pack_lanes(frame[first_channel], frame[second_channel]));
        return;
    }
    surround_chain_pair chains(highpass, lowpass, first, second);
    chains.run(
        ctx.frame_count,
        [frame, first_channel, second_channel](std::uint32_t n) {
            const float* at = frame + n * frame_width;
            return pack_lanes(at[first_channel], at[second_channel]);
        },
        [frame, &mix](std::uint32_t n, __m128d shaped) { mix(frame + n * frame_width, shaped); });
    chains.store_memories();
}

}  // namespace ambiora
