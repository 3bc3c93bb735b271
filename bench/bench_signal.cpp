#include "bench_signal.h"

#include <cmath>

namespace ambiora_bench {

std::vector<float> bench_programme(std::uint32_t frames, std::uint32_t channels) {
    constexpr double two_pi = 6.283185307179586;
    std::vector<float> out(std::size_t(frames) * channels);
    std::uint32_t noise = 0x12345678u;
    for (std::uint32_t f = 0; f < frames; ++f) {
        const double t = double(f) / bench_rate;
        // A voice-like tone that wanders between the channels, and a bass line common to all.
        const double voice = 0.4 * std::sin(two_pi * 440.0 * t + 2.0 * std::sin(two_pi * 3.0 * t));
        const double bass = 0.25 * std::sin(two_pi * 55.0 * t);
        const double pan = 0.5 + 0.5 * std::sin(two_pi * 0.7 * t);
        for (std::uint32_t c = 0; c < channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double hiss = 0.1 * (double(noise >> 8) / double(1u << 24) - 0.5);
            const double share = (c % 2 == 0) ? pan : 1.0 - pan;
            const double own = 0.2 * std::sin(two_pi * (300.0 + 170.0 * c) * t);
            out[std::size_t(f) * channels + c] = float(voice * share + bass + own + hiss);
        }
    }
    return out;
}

}  // namespace ambiora_bench
