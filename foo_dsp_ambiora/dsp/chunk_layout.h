// How chunk channels map onto work frames and back.
//
// Input channels are placed by count alone (the chunk's own mask is never read); output channels
// are picked by count and labelled with the host's default mask for that count.
#pragma once

#include <cstdint>

namespace ambiora {

// Work-frame slot of input channel i for a chunk of `channels` channels; -1 when the count is one
// the engine does not take (3, or 7 and more), whose frames stay silent.
int input_slot(std::uint32_t channels, std::uint32_t i);

// Work-frame slot of output channel i for `channels` output channels (1, 2, 4, 5 or 6).
int output_slot(std::uint32_t channels, std::uint32_t i);

// The host's default channel mask for 1, 2, 4, 5 or 6 channels; 0 for any other count, which
// cannot be written back.
std::uint32_t default_channel_mask(std::uint32_t channels);

}  // namespace ambiora
