// Second-order sections advanced one sample at a time, for passes that run several filters, or
// several channels, in a single loop.
//
// A filter pass is bound by the latency of its own recurrence (each output waits for the one
// before), not by arithmetic. Running independent recurrences in the same loop, a cascade of
// sections on one channel or the same section on two channels, lets them overlap in the
// processor. Each section computes exactly what the single-filter passes compute: memories held
// as the float values they are stored as, arithmetic in double, one rounding per output.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "engine/surround_engine.h"

namespace ambiora {

// y = norm (x + middle x1 + x2) - a1 y1 - a2 y2; middle is -2 for the high-pass, +2 for the
// low-pass.
struct butterworth_coefficients {
    double norm, middle, a1, a2;
};

// The bilinear Butterworth design at cutoff_hz and sample_rate. Returns false where the design
// gives way to its limit filter (a corner at or beyond Nyquist or effectively at 0 Hz; see
// butterworth_filters.cpp), which only the single-filter passes handle.
bool butterworth_highpass_design(float cutoff_hz, std::int32_t sample_rate,
                                 butterworth_coefficients& out);
bool butterworth_lowpass_design(float cutoff_hz, std::int32_t sample_rate,
                                butterworth_coefficients& out);

// A section's two previous inputs and outputs while it runs, widened to double (they are stored
// as floats between blocks, so widening and narrowing again is exact).
struct running_memory {
    double x1, x2, y1, y2;

    explicit running_memory(const biquad_state& m) : x1(m.x1), x2(m.x2), y1(m.y1), y2(m.y2) {}
    void advance(double x, double y) {
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
    }
    biquad_state stored() const { return {float(x1), float(x2), float(y1), float(y2)}; }
};

class butterworth_section {
  public:
    butterworth_section(const butterworth_coefficients& k, const biquad_state& memory)
        : k_(k), m_(memory) {}

    float step(float input) {
        const double x = input;
        const float y =
            float(k_.norm * (x + k_.middle * m_.x1 + m_.x2) - k_.a1 * m_.y1 - k_.a2 * m_.y2);
        m_.advance(x, y);
        return y;
    }
    biquad_state memory() const { return m_.stored(); }

  private:
    butterworth_coefficients k_;
    running_memory m_;
};

// One all-pass section of the phase-shift network: y = c (x + y2) - x2.
class all_pass_section {
  public:
    all_pass_section(float c, const biquad_state& memory) : c_(c), m_(memory) {}

    float step(float input) {
        const double x = input;
        const float y = float(c_ * (x + m_.y2) - m_.x2);
        m_.advance(x, y);
        return y;
    }
    biquad_state memory() const { return m_.stored(); }

  private:
    float c_;
    running_memory m_;
};

// Two channels through the same section at once, one in each half of an SSE2 register (every
// build of ours is x86 with SSE2). The operations and their order are those of the one-channel
// classes above, so each lane gives exactly the bits the one-channel section would; half the
// instructions run. Lane 0 is the first channel, lane 1 the second.
inline __m128d pack_lanes(double first, double second) {
    return _mm_set_pd(second, first);
}
inline float first_lane(__m128d v) {
    return float(_mm_cvtsd_f64(v));
}
inline float second_lane(__m128d v) {
    return float(_mm_cvtsd_f64(_mm_unpackhi_pd(v, v)));
}
// Each lane rounded to float and widened again: what storing and reloading a float memory does.
inline __m128d round_lanes_to_float(__m128d v) {
    return _mm_cvtps_pd(_mm_cvtpd_ps(v));
}

struct running_memory_pair {
    __m128d x1, x2, y1, y2;

    running_memory_pair(const biquad_state& first, const biquad_state& second)
        : x1(pack_lanes(first.x1, second.x1)),
          x2(pack_lanes(first.x2, second.x2)),
          y1(pack_lanes(first.y1, second.y1)),
          y2(pack_lanes(first.y2, second.y2)) {}
    void advance(__m128d x, __m128d y) {
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
    }
    biquad_state first() const {
        return {first_lane(x1), first_lane(x2), first_lane(y1), first_lane(y2)};
    }
    biquad_state second() const {
        return {second_lane(x1), second_lane(x2), second_lane(y1), second_lane(y2)};
    }
};

// What a section feeds back from one sample to the next within a call. The filters feed back the
// float they write, so a stream gives the same samples bit for bit in chunks of any size. The
// steering smoothers cannot: their 7.95 Hz poles sit so close to z = 1 that near its target a
// step of the output is smaller than half a float step, and a float-rounded feedback freezes
// short of it (at 2.21 instead of ln 10 = 2.30 at 44.1 kHz, so a fully steered sound would never
// be fully steered). They keep the exact double output within a call and round only what they
// store between calls; chunks of a few frames then settle less closely than whole blocks.
enum class feedback { stored_float, exact_within_call };

template <feedback fed_back>
class basic_butterworth_section_pair {
  public:
    basic_butterworth_section_pair(const butterworth_coefficients& k, const biquad_state& first,
                                   const biquad_state& second)
        : norm_(_mm_set1_pd(k.norm)),
          middle_(_mm_set1_pd(k.middle)),
          a1_(_mm_set1_pd(k.a1)),
          a2_(_mm_set1_pd(k.a2)),
          m_(first, second) {}

    // `x` holds two float samples widened to double; the result, two outputs rounded to float
    // and widened again.
    __m128d step(__m128d x) {
        const __m128d taps = _mm_add_pd(_mm_add_pd(x, _mm_mul_pd(middle_, m_.x1)), m_.x2);
        const __m128d partial = _mm_sub_pd(_mm_mul_pd(norm_, taps), _mm_mul_pd(a1_, m_.y1));
        const __m128d exact = _mm_sub_pd(partial, _mm_mul_pd(a2_, m_.y2));
        const __m128d y = round_lanes_to_float(exact);
        m_.advance(x, fed_back == feedback::exact_within_call ? exact : y);
        return y;
    }
    biquad_state first_memory() const { return m_.first(); }
    biquad_state second_memory() const { return m_.second(); }

  private:
    __m128d norm_, middle_, a1_, a2_;
    running_memory_pair m_;
};

using butterworth_section_pair = basic_butterworth_section_pair<feedback::stored_float>;
using smoother_section_pair = basic_butterworth_section_pair<feedback::exact_within_call>;

class all_pass_section_pair {
  public:
    all_pass_section_pair(float c, const biquad_state& first, const biquad_state& second)
        : c_(_mm_set1_pd(c)), m_(first, second) {}

    __m128d step(__m128d x) {
        const __m128d y =
            round_lanes_to_float(_mm_sub_pd(_mm_mul_pd(c_, _mm_add_pd(x, m_.y2)), m_.x2));
        m_.advance(x, y);
        return y;
    }
    biquad_state first_memory() const { return m_.first(); }
    biquad_state second_memory() const { return m_.second(); }

  private:
    __m128d c_;
    running_memory_pair m_;
};

// The four all-pass coefficients of the phase-shift network, in cascade order.
extern const float phase_shift_coefficients[4];

// Filters two channels with the same Butterworth filter in one pass: n = ctx.frame_count samples
// at first[k * stride] and second[k * stride], each channel with its own memory. The result is
// exactly that of two butterworth_highpass / butterworth_lowpass calls.
void butterworth_highpass_pair(biquad_state& first_memory, float* first,
                               biquad_state& second_memory, float* second, float cutoff_hz,
                               std::uint32_t stride, const block_context& ctx);
void butterworth_lowpass_pair(biquad_state& first_memory, float* first, biquad_state& second_memory,
                              float* second, float cutoff_hz, std::uint32_t stride,
                              const block_context& ctx);

}  // namespace ambiora
