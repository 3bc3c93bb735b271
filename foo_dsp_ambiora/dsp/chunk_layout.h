// How chunk channels map onto work frames and back.
//
// Input channels are placed by count alone (the chunk's own mask is never read); output channels
// are picked by count and labelled with the host's default mask for that count. The same table
// serves both directions: a five-channel chunk passed through comes back in its own order.
#pragma once

#include <array>
#include <cstdint>

namespace ambiora {

// Work-frame slot (L R C LFE SL SR = 0 1 2 3 4 5) of each channel of a chunk with `channels`
// channels, for the counts the engine takes: 1, 2, 4, 5 and 6. Chunks of 3, or 7 and more,
// channels have no slots; their frames stay silent and nothing is written back.
template <std::uint32_t channels>
inline constexpr std::array<std::uint32_t, channels> channel_slots = {};
template <>
inline constexpr std::array<std::uint32_t, 1> channel_slots<1> = {0};
template <>
inline constexpr std::array<std::uint32_t, 2> channel_slots<2> = {0, 1};
template <>
inline constexpr std::array<std::uint32_t, 4> channel_slots<4> = {0, 1, 4, 5};
template <>
inline constexpr std::array<std::uint32_t, 5> channel_slots<5> = {0, 1, 2, 4, 5};
template <>
inline constexpr std::array<std::uint32_t, 6> channel_slots<6> = {0, 1, 2, 3, 4, 5};

// The host's default channel mask for 1, 2, 4, 5 or 6 channels; 0 for any other count, which
// cannot be written back.
std::uint32_t default_channel_mask(std::uint32_t channels);

}  // namespace ambiora
