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

class butterworth_section {
  public:
    butterworth_section(const butterworth_coefficients& k, const biquad_state& memory)
        : k_(k), x1_(memory.x1), x2_(memory.x2), y1_(memory.y1), y2_(memory.y2) {}

    float step(float input) {
        const double x = input;
        const float y = float(k_.norm * (x + k_.middle * x1_ + x2_) - k_.a1 * y1_ - k_.a2 * y2_);
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }
    biquad_state memory() const { return {float(x1_), float(x2_), float(y1_), float(y2_)}; }

  private:
    butterworth_coefficients k_;
    double x1_, x2_, y1_, y2_;
};

// One all-pass section of the phase-shift network: y = c (x + y2) - x2.
class all_pass_section {
  public:
    all_pass_section(float c, const biquad_state& memory)
        : c_(c), x1_(memory.x1), x2_(memory.x2), y1_(memory.y1), y2_(memory.y2) {}

    float step(float input) {
        const double x = input;
        const float y = float(c_ * (x + y2_) - x2_);
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }
    biquad_state memory() const { return {float(x1_), float(x2_), float(y1_), float(y2_)}; }

  private:
    float c_;
    double x1_, x2_, y1_, y2_;
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

class butterworth_section_pair {
  public:
    butterworth_section_pair(const butterworth_coefficients& k, const biquad_state& first,
                             const biquad_state& second)
        : norm_(_mm_set1_pd(k.norm)),
          middle_(_mm_set1_pd(k.middle)),
          a1_(_mm_set1_pd(k.a1)),
          a2_(_mm_set1_pd(k.a2)),
          x1_(pack_lanes(first.x1, second.x1)),
          x2_(pack_lanes(first.x2, second.x2)),
          y1_(pack_lanes(first.y1, second.y1)),
          y2_(pack_lanes(first.y2, second.y2)) {}

    // `x` holds two float samples widened to double; so does the result.
    __m128d step(__m128d x) {
        const __m128d taps = _mm_add_pd(_mm_add_pd(x, _mm_mul_pd(middle_, x1_)), x2_);
        const __m128d fed_back = _mm_sub_pd(_mm_mul_pd(norm_, taps), _mm_mul_pd(a1_, y1_));
        const __m128d y = round_lanes_to_float(_mm_sub_pd(fed_back, _mm_mul_pd(a2_, y2_)));
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }
    biquad_state first_memory() const {
        return {first_lane(x1_), first_lane(x2_), first_lane(y1_), first_lane(y2_)};
    }
    biquad_state second_memory() const {
        return {second_lane(x1_), second_lane(x2_), second_lane(y1_), second_lane(y2_)};
    }

  private:
    __m128d norm_, middle_, a1_, a2_;
    __m128d x1_, x2_, y1_, y2_;
};

class all_pass_section_pair {
  public:
    all_pass_section_pair(float c, const biquad_state& first, const biquad_state& second)
        : c_(_mm_set1_pd(c)),
          x1_(pack_lanes(first.x1, second.x1)),
          x2_(pack_lanes(first.x2, second.x2)),
          y1_(pack_lanes(first.y1, second.y1)),
          y2_(pack_lanes(first.y2, second.y2)) {}

    __m128d step(__m128d x) {
        const __m128d y = round_lanes_to_float(_mm_sub_pd(_mm_mul_pd(c_, _mm_add_pd(x, y2_)), x2_));
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }
    biquad_state first_memory() const {
        return {first_lane(x1_), first_lane(x2_), first_lane(y1_), first_lane(y2_)};
    }
    biquad_state second_memory() const {
        return {second_lane(x1_), second_lane(x2_), second_lane(y1_), second_lane(y2_)};
    }

  private:
    __m128d c_;
    __m128d x1_, x2_, y1_, y2_;
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
