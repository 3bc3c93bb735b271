#include <cstring>

#include "engine/surround_engine.h"

namespace ambiora {
namespace {

void zero_used(aligned_buffer& buffer) {
    if (buffer.data != nullptr)
        std::memset(buffer.data, 0, std::size_t(buffer.size) * sizeof(float));
}

}  // namespace

// Clears the stream's history. Scratch arrays, feeds and products are rewritten before they are
// read, so they are left alone; nothing is freed or resized, so a reset never allocates. The delay
// lines keep their ring positions: after zeroing, where the ring starts no longer matters.
void reset_engine(surround_engine& engine) {
    engine.steered_decoder.reset();
    engine.bass_redirect.reset();
    for (biquad_state& s : engine.surround_lowpass) s = {};
    engine.encoder_highpass_a = {};
    engine.encoder_lowpass_a = {};
    engine.encoder_highpass_b = {};
    engine.encoder_lowpass_b = {};
    engine.phase_shift_a = {};
    engine.phase_shift_b = {};

    zero_used(engine.overlap_tail);
    for (aligned_buffer& line : engine.surround_delay_line) zero_used(line);

    engine.feed_fill = 0;
    engine.tail_in_use = false;
}

}  // namespace ambiora
