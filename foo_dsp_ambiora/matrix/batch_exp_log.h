// Natural exponential and logarithm in double precision for loops over whole arrays.
//
// The steered decoder needs two logarithms of ratios and two exponentials per frame and band.
// Library calls cannot be vectorised, so these are written as straight-line code (bit operations, a
// rounding trick and polynomials; no branches, tables or calls) that GCC turns into SIMD code with
// nothing more than SSE2. Both are good to within a few units in the last place of a double: what
// the decoder makes of them rounds to the same floats as with the library functions, except in the
// rare case where a result lies within that distance of a rounding boundary.
//
// Both are always inlined: they are compiled once per instruction set (see steered_kernels.h), and
// an out-of-line copy built for a wider set must never be shared with the baseline code.
//
// SSE2 has no 64-bit integer comparison, and GCC will not vectorise a select that depends on a
// floating-point comparison, so range decisions are made with integer additions and shifts.
#pragma once

#include <bit>
#include <cstdint>

namespace ambiora {

// ln 2 in two parts; the first has so few bits that n times it is exact for any exponent n.
inline constexpr double ln2_high = 0.693145751953125;
inline constexpr double ln2_low = 1.4286068203094172e-06;  // ln 2 - ln2_high, to 17 digits

// e^x for -708 <= x <= 709 (the range of normal doubles); callers keep x there.
[[gnu::always_inline]] inline double batch_exp(double x) {
    constexpr double log2e = 1.4426950408889634;
    constexpr double round_magic = 6755399441055744.0;  // 1.5 x 2^52: adding it rounds to whole
    // x = n ln 2 + r with n whole and |r| <= ln 2 / 2; then e^x = 2^n e^r. The low bits of
    // `shifted` hold n as a two's-complement integer.
    const double shifted = x * log2e + round_magic;
    const double n = shifted - round_magic;
    const double r = (x - n * ln2_high) - n * ln2_low;
    // Taylor series of e^r to r^13 / 13!; the first term left out is below 4e-18 relative. It is
    // evaluated by Estrin's scheme (pairs of terms, then pairs of pairs) rather than Horner's,
    // so that its steps can overlap instead of each waiting for the one before.
    const double r2 = r * r;
    const double r4 = r2 * r2;
    const double r8 = r4 * r4;
    const double q0 = 1.0 + r;
    const double q1 = 1.0 / 2.0 + r * (1.0 / 6.0);
    const double q2 = 1.0 / 24.0 + r * (1.0 / 120.0);
    const double q3 = 1.0 / 720.0 + r * (1.0 / 5040.0);
    const double q4 = 1.0 / 40320.0 + r * (1.0 / 362880.0);
    const double q5 = 1.0 / 3628800.0 + r * (1.0 / 39916800.0);
    const double q6 = 1.0 / 479001600.0 + r * (1.0 / 6227020800.0);
    const double low = (q0 + q1 * r2) + (q2 + q3 * r2) * r4;
    const double high = (q4 + q5 * r2) + q6 * r4;
    const double p = low + high * r8;
    // 2^n: n + 1023 moved into the exponent field (the bits above it are shifted out).
    const std::uint64_t scale_bits = (std::bit_cast<std::uint64_t>(shifted) + 1023) << 52;
    return p * std::bit_cast<double>(scale_bits);
}

// ln(a / b) for positive normal a and b, without forming a / b: the octave is found from the
// exponents and significands, and the one division left is the one the series needs. Zero,
// subnormal, negative and non-finite arguments give meaningless values (no trap, no undefined
// behaviour); callers must handle them first.
[[gnu::always_inline]] inline double batch_log_ratio(double a, double b) {
    constexpr std::uint64_t fraction_mask = 0x000fffffffffffffull;
    constexpr std::uint64_t one_bits = 0x3ff0000000000000ull;
    constexpr double sqrt2 = 1.4142135623730951;
    constexpr double round_magic = 6755399441055744.0;  // 1.5 x 2^52, as in batch_exp
    const std::uint64_t a_bits = std::bit_cast<std::uint64_t>(a);
    const std::uint64_t b_bits = std::bit_cast<std::uint64_t>(b);
    // a = ma 2^ea and b = mb 2^eb with ma, mb in [1, 2), so ma / mb lies in (1/2, 2). Move mb
    // by an octave where that puts ma / mb into [sqrt(1/2), sqrt(2)): `up` when ma >= sqrt(2) mb,
    // `down` when ma < mb / sqrt(2), read from the sign bits of the differences.
    const double ma = std::bit_cast<double>((a_bits & fraction_mask) | one_bits);
    const std::uint64_t mb_bits = (b_bits & fraction_mask) | one_bits;
    const double mb = std::bit_cast<double>(mb_bits);
    const std::uint64_t up = 1 - (std::bit_cast<std::uint64_t>(ma - sqrt2 * mb) >> 63);
    const std::uint64_t down = std::bit_cast<std::uint64_t>(ma * sqrt2 - mb) >> 63;
    const double moved_mb = std::bit_cast<double>(mb_bits + ((up - down) << 52));
    // e = ea - eb + up - down, two's complement in the low bits of 1.5 x 2^52.
    const std::uint64_t e_bits = (a_bits >> 52) - (b_bits >> 52) + up - down;
    const double e =
        std::bit_cast<double>(std::bit_cast<std::uint64_t>(round_magic) + e_bits) - round_magic;
    // ln(ma / moved_mb) = 2 atanh(s) with s = (ma - moved_mb) / (ma + moved_mb); the difference
    // is exact, the two being within a factor of 2 of each other.
    const double s = (ma - moved_mb) / (ma + moved_mb);
    const double s2 = s * s;
    const double s4 = s2 * s2;
    const double s8 = s4 * s4;
    const double q0 = 1.0 / 3.0 + s2 * (1.0 / 5.0);
    const double q1 = 1.0 / 7.0 + s2 * (1.0 / 9.0);
    const double q2 = 1.0 / 11.0 + s2 * (1.0 / 13.0);
    const double q3 = 1.0 / 15.0 + s2 * (1.0 / 17.0);
    const double q4 = 1.0 / 19.0 + s2 * (1.0 / 21.0);
    const double p = ((q0 + q1 * s4) + (q2 + q3 * s4) * s8) + q4 * (s8 * s8);
    const double twice_s = 2.0 * s;
    return e * ln2_high + (twice_s + (twice_s * s2 * p + e * ln2_low));
}

}  // namespace ambiora
