// The encoders' surround path in one pass: 100 Hz high-pass, 7 kHz low-pass and the four
// all-pass sections of the phase-shift network, sample by sample.
#pragma once

#include "engine/surround_engine.h"

namespace ambiora {

// Shapes channel `channel` (stride 6) of the work buffer: the same samples, bit for bit, as
// butterworth_highpass, butterworth_lowpass and phase_shift_network run one after the other.
void shape_encoder_surround(encoder_surround_memories& memories, block_context& ctx,
                            std::uint32_t channel);

// The same for two channels at once, each with its own memories.
void shape_encoder_surround_pair(encoder_surround_memories& first, std::uint32_t first_channel,
                                 encoder_surround_memories& second, std::uint32_t second_channel,
                                 block_context& ctx);

}  // namespace ambiora
