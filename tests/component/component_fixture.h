// One component per test process, brought up once through its entry point as the player would,
// and a fixture that starts every test from the default settings and a clean engine.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "component_host.h"

namespace ambiora_test {

host_sim::component_host& host();

class component_test : public ::testing::Test {
  protected:
    void SetUp() override;

    // Runs one interleaved chunk through this test's DSP instance.
    std::vector<host_sim::host_chunk> run(const std::vector<audio_sample>& samples,
                                          unsigned channels, unsigned rate);

    service_ptr_t<dsp> instance;
};

// `frames` frames of `channels` channels; channel c of frame f holds value(f, c).
template <typename F>
std::vector<audio_sample> make_samples(unsigned frames, unsigned channels, F value) {
    std::vector<audio_sample> s(std::size_t(frames) * channels);
    for (unsigned f = 0; f < frames; ++f) {
        for (unsigned c = 0; c < channels; ++c) s[std::size_t(f) * channels + c] = value(f, c);
    }
    return s;
}

// A quiet, deterministic test signal that differs in every channel. Its values are single-precision
// numbers even where the host's samples are doubles (x64), so a path that leaves audio untouched
// gives it back exactly through the engine's float frames.
inline audio_sample test_tone(unsigned frame, unsigned channel) {
    return audio_sample(float(0.25 * std::sin(0.01 * (frame + 1) * (channel + 1))));
}

}  // namespace ambiora_test
