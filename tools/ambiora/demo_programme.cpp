#include "demo_programme.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace ambiora_cli {
namespace {

constexpr double two_pi = 2.0 * std::numbers::pi;

// A small deterministic noise source, so the programme is the same on every run.
class noise {
  public:
    double next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return double(state_ >> 11) / double(1ull << 53) * 2.0 - 1.0;
    }

  private:
    std::uint64_t state_ = 0x2545f4914f6cdd1dull;
};

// A two-pole resonator, the building block of the voice's formants.
class resonator {
  public:
    resonator(double frequency, double bandwidth, double rate) {
        const double r = std::exp(-std::numbers::pi * bandwidth / rate);
        a1_ = 2.0 * r * std::cos(two_pi * frequency / rate);
        a2_ = -r * r;
        gain_ = 1.0 - r;
    }
    double process(double x) {
        const double y = gain_ * x + a1_ * y1_ + a2_ * y2_;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

  private:
    double a1_, a2_, gain_, y1_ = 0.0, y2_ = 0.0;
};

// A smooth gate: 0 outside [start, end], rising and falling over `ramp` seconds.
double gate(double t, double start, double end, double ramp = 0.02) {
    if (t < start || t > end) return 0.0;
    return std::min({1.0, (t - start) / ramp, (end - t) / ramp});
}

// A sung vowel: a glottal pulse train with vibrato through three formants, in syllables.
class voice {
  public:
    voice(double rate, double f1, double f2, double f3)
        : rate_(rate), formants_{{{f1, 80, rate}, {f2, 100, rate}, {f3, 140, rate}}} {}
    double next(double t, double pitch) {
        const double f0 = pitch * (1.0 + 0.012 * std::sin(two_pi * 5.5 * t));
        phase_ += f0 / rate_;
        if (phase_ >= 1.0) phase_ -= 1.0;
        const double pulse = phase_ < 0.4 ? std::sin(std::numbers::pi * phase_ / 0.4) : 0.0;
        const double excitation = pulse - 0.32 + 0.02 * breath_.next();
        double y = 0.0;
        for (std::size_t i = 0; i < formants_.size(); ++i) {
            y += formants_[i].process(excitation) * (i == 0 ? 1.0 : 0.6 / double(i));
        }
        const double syllables = 0.55 + 0.45 * std::sin(two_pi * 3.0 * t);
        return 3.0 * y * syllables;
    }

  private:
    double rate_;
    double phase_ = 0.0;
    std::array<resonator, 3> formants_;
    noise breath_;
};

// A plucked note: harmonics decaying faster the higher they are.
double pluck(double age, double frequency) {
    if (age < 0.0) return 0.0;
    double y = 0.0;
    for (int h = 1; h <= 6; ++h) {
        y += std::sin(two_pi * frequency * h * age) * std::exp(-age * (3.0 + 2.5 * h)) / h;
    }
    return y * std::min(1.0, age / 0.002);
}

// A bell: inharmonic partials with long decays.
double bell(double age, double frequency) {
    if (age < 0.0) return 0.0;
    constexpr double ratios[] = {1.0, 2.32, 4.25, 6.63};
    double y = 0.0;
    for (int i = 0; i < 4; ++i) {
        y += std::sin(two_pi * frequency * ratios[i] * age) * std::exp(-age * (1.5 + i)) / (1 + i);
    }
    return y;
}

// Equal-power pan: -1 hard left, +1 hard right.
void pan(double x, double position, double& left, double& right) {
    const double angle = (position + 1.0) * std::numbers::pi / 4.0;
    left += x * std::cos(angle);
    right += x * std::sin(angle);
}

}  // namespace

demo_programme make_stereo_piece() {
    demo_programme p{"stereo-piece", "Stereo piece (2 channels, 44.1 kHz)", 2, 44100, {}, {}};
    p.sections = {{0.0, 1.5, "strings (left)"},  {1.5, 3.0, "voice (centre)"},
                  {3.0, 4.5, "bell (right)"},    {4.5, 6.0, "pad (anti-phase)"},
                  {6.0, 7.5, "shaker (L to R)"}, {7.5, 10.0, "all together"}};
    const double rate = p.rate;
    const std::size_t frames = std::size_t(10.0 * rate);
    p.samples.resize(frames * 2);
    voice singer(rate, 700, 1220, 2600);
    noise shaker_noise, pad_noise;
    resonator shaker_band(6000, 3000, rate);
    resonator pad_band(500, 400, rate);
    constexpr double string_notes[] = {196.0, 246.9, 293.7, 392.0};
    constexpr double bell_notes[] = {523.3, 659.3, 784.0};
    for (std::size_t n = 0; n < frames; ++n) {
        const double t = double(n) / rate;
        const bool together = t >= 7.5;
        double left = 0.0, right = 0.0;

        // Strings, a note every quarter second.
        const double string_gate = gate(t, 0.0, 1.5) + gate(t, 7.5, 10.0);
        if (string_gate > 0.0) {
            const double beat = std::fmod(t, 0.25);
            const int note = int(t / 0.25) % 4;
            pan(0.45 * string_gate * pluck(beat, string_notes[note]), -1.0, left, right);
        }
        // The voice in the centre.
        const double voice_gate = gate(t, 1.5, 3.0, 0.05) + gate(t, 7.5, 10.0, 0.05);
        const double sung = singer.next(t, t < 7.5 ? 146.8 : 164.8);
        pan(0.35 * voice_gate * sung, 0.0, left, right);
        // Bell on the right, a stroke every half second.
        const double bell_gate = gate(t, 3.0, 4.5) + gate(t, 7.5, 10.0);
        if (bell_gate > 0.0) {
            const double age = std::fmod(t - 3.0 + 10.0, 0.5);
            const int note = int((t + 10.0) / 0.5) % 3;
            pan(0.3 * bell_gate * bell(age, bell_notes[note]), 1.0, left, right);
        }
        // Pad in anti-phase: a logic decoder steers it to the surrounds.
        const double pad_gate = gate(t, 4.5, 6.0, 0.2) + gate(t, 7.5, 10.0, 0.2);
        const double pad = pad_band.process(pad_noise.next()) * 3.0 +
                           0.1 * std::sin(two_pi * 220.0 * t) + 0.07 * std::sin(two_pi * 277.2 * t);
        left += 0.2 * pad_gate * pad;
        right -= 0.2 * pad_gate * pad;
        // Shaker sweeping from left to right, eight strokes a second.
        const double shaker_gate = gate(t, 6.0, 7.5) + 0.6 * gate(t, 7.5, 10.0);
        const double stroke = std::exp(-std::fmod(t, 0.125) * 40.0);
        const double position = together ? 0.5 : std::clamp((t - 6.0) / 1.5 * 2.0 - 1.0, -1.0, 1.0);
        pan(4.0 * shaker_gate * stroke * shaker_band.process(shaker_noise.next()), position, left,
            right);
        // A bass line under the final section.
        if (together) {
            const double bass_frequency = (int(t / 0.5) % 2 == 0) ? 49.0 : 65.4;
            const double bass =
                0.3 * gate(t, 7.5, 10.0, 0.1) * std::sin(two_pi * bass_frequency * t);
            left += bass;
            right += bass;
        }
        p.samples[2 * n] = float(left);
        p.samples[2 * n + 1] = float(right);
    }
    return p;
}

demo_programme make_surround_test() {
    demo_programme p{"surround-test", "5.1 test set (6 channels, 48 kHz)", 6, 48000, {}, {}};
    p.sections = {{0.0, 1.0, "L: 440 Hz pulses"}, {1.0, 2.0, "R: 660 Hz buzz"},
                  {2.0, 3.0, "C: voice"},         {3.0, 4.0, "LFE: 45 Hz"},
                  {4.0, 5.0, "SL: noise bursts"}, {5.0, 6.0, "SR: clicks"},
                  {6.0, 8.0, "all six"}};
    const double rate = p.rate;
    const std::size_t frames = std::size_t(8.0 * rate);
    p.samples.assign(frames * 6, 0.0f);
    voice speaker(rate, 300, 2300, 3000);
    noise hiss;
    resonator hiss_band(1500, 2500, rate);
    for (std::size_t n = 0; n < frames; ++n) {
        const double t = double(n) / rate;
        const auto on = [&](int channel) {
            return gate(t, channel, channel + 1.0) + gate(t, 6.0, 8.0);
        };
        float* frame = &p.samples[n * 6];
        const double pulse = std::fmod(t, 0.25) < 0.15 ? 1.0 : 0.0;
        frame[0] = float(0.4 * on(0) * pulse * std::sin(two_pi * 440.0 * t));
        double buzz = 0.0;
        for (int h = 1; h <= 9; h += 2) buzz += std::sin(two_pi * 660.0 * h * t) / h;
        frame[1] = float(0.3 * on(1) * buzz);
        frame[2] = float(0.12 * on(2) * speaker.next(t, 120.0));
        frame[3] = float(0.5 * on(3) * std::sin(two_pi * 45.0 * t));
        const double burst = std::fmod(t, 0.2) < 0.1 ? 1.0 : 0.0;
        frame[4] = float(0.6 * on(4) * burst * hiss_band.process(hiss.next()));
        const double click_age = std::fmod(t, 0.1);
        frame[5] = float(0.6 * on(5) * std::exp(-click_age * 120.0) *
                         std::sin(two_pi * 2000.0 * click_age));
    }
    // The encoders fold all six into two; this keeps that fold below full scale.
    for (float& x : p.samples) x *= 0.6f;
    return p;
}

}  // namespace ambiora_cli
