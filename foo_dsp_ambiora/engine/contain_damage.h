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

#include <emmintrin.h>

#include <bit>
#include <cstddef>
#include <cstdint>

#include "engine/block_context.h"

namespace ambiora {

inline constexpr std::uint32_t magnitude_mask = 0x7fffffff;
inline constexpr std::uint32_t largest_kept_bits = 0x5f800000;  // 2^64; NaN and infinity lie above

inline constexpr std::uint32_t largest_finite_bits = 0x7f7fffff;  // FLT_MAX; infinity, NaN above

inline bool magnitude_above(float value, std::uint32_t limit_bits) {
    return (std::bit_cast<std::uint32_t>(value) & magnitude_mask) > limit_bits;
}

inline bool is_damaged(float value) {
    return magnitude_above(value, largest_kept_bits);
}

// Whether any of values[0..count) lies above `limit_bits` in magnitude. Eight values at a time in
// two SSE2 registers (every build of ours is x86 with SSE2): the magnitudes' bit patterns, below
// 2^31, compare as signed integers, and the compare masks are ORed into two accumulators that are
// read once at the end. A mask, a compare and an OR per four values, no branch; the compiler's own
// vectorisation of a scalar loop kept spilling its accumulators to the stack.
inline bool holds_magnitude_above(const float* values, std::size_t count,
                                  std::uint32_t limit_bits) {
    const __m128i magnitude = _mm_set1_epi32(std::int32_t(magnitude_mask));
    const __m128i limit = _mm_set1_epi32(std::int32_t(limit_bits));
    auto above = [&](std::size_t at) {
        const __m128i bits = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + at));
        return _mm_cmpgt_epi32(_mm_and_si128(bits, magnitude), limit);
    };
    __m128i found_even = _mm_setzero_si128(), found_odd = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        found_even = _mm_or_si128(found_even, above(i));
        found_odd = _mm_or_si128(found_odd, above(i + 4));
    }
    bool found = _mm_movemask_epi8(_mm_or_si128(found_even, found_odd)) != 0;
    for (; i < count; ++i) found |= magnitude_above(values[i], limit_bits);
    return found;
}

inline bool holds_damage(const float* values, std::uint32_t count) {
    return holds_magnitude_above(values, count, largest_kept_bits);
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
