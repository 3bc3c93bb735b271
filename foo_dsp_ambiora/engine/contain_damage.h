// Tools for keeping one block's bad samples out of the state a stage carries to the next block.
//
// A NaN or an infinity that reaches a recursive filter stays in its memory for ever: every later
// output of that filter is NaN, and so is everything downstream, until a reset. The same holds for
// a delay line (it replays the value one delay later) and for the headphone overlap tail. A huge
// but finite sample is no better: a filter fed 3e38 overflows to infinity on its next step, and
// the convolution overflows well before that.
//
// So whatever is not a plausible sample is removed: a filter memory holding such a value is
// cleared as a whole (its four values only make sense together), a buffer loses just the bad
// entries. "Plausible" means finite and no larger than 2^64 in magnitude, some 385 dB above full
// scale: no sound reaches that, and below it no stage can overflow a float in the following block
// (the largest gain on any path, the convolution's included, is far below 2^64). Finite audio is
// never touched, so its output stays exactly what it was.
//
// The checks run on every block, so they are written to vectorise: a branch-free scan of the bit
// patterns first, and a second pass only for a buffer that holds damage.
//
// Threading: pure functions on the caller's data.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "engine/block_context.h"

namespace ambiora {

inline constexpr std::uint32_t magnitude_mask = 0x7fffffff;
inline constexpr std::uint32_t largest_kept_bits = 0x5f800000;  // 2^64; NaN and infinity lie above

inline bool is_damaged(float value) {
    return (std::bit_cast<std::uint32_t>(value) & magnitude_mask) > largest_kept_bits;
}

// Sixteen values at a time in a fixed-length inner loop, which the compiler turns into a few
// vector compares even where it will not vectorise a loop of unknown length (g++ at -O2).
inline bool holds_damage(const float* values, std::uint32_t count) {
    constexpr std::uint32_t group = 16;
    std::uint32_t damaged = 0;
    std::uint32_t i = 0;
    for (; i + group <= count; i += group) {
        std::uint32_t bits[group];
        std::memcpy(bits, values + i, sizeof bits);
        for (std::uint32_t j = 0; j < group; ++j)
            damaged |= (bits[j] & magnitude_mask) > largest_kept_bits ? 1u : 0u;
    }
    for (; i < count; ++i) damaged |= is_damaged(values[i]) ? 1u : 0u;
    return damaged != 0;
}

// Sets every damaged value of values[0..count) to 0 and leaves the rest alone.
inline void scrub(float* values, std::uint32_t count) {
    if (values == nullptr || !holds_damage(values, count)) return;
    for (std::uint32_t i = 0; i < count; ++i)
        if (is_damaged(values[i])) values[i] = 0.0f;
}

inline bool holds_damage(const biquad_state& s) {
    return is_damaged(s.x1) || is_damaged(s.x2) || is_damaged(s.y1) || is_damaged(s.y2);
}

// Clears a damaged filter memory as a whole.
inline void contain_damage(biquad_state& s) {
    if (holds_damage(s)) s = {};
}

// The four sections run in cascade, so damage in one reaches the others within a sample; the
// network starts afresh as a whole.
inline void contain_damage(phase_shift_memory& m) {
    for (const biquad_state& s : m.section) {
        if (holds_damage(s)) {
            m = {};
            return;
        }
    }
}

}  // namespace ambiora
