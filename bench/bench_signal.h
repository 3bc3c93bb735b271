// Test programme for the benchmarks: deterministic, full-scale and busy in every channel, so that
// the steering moves, the filters see real content and nothing sits in the denormal range.
#pragma once

#include <cstdint>
#include <vector>

namespace ambiora_bench {

inline constexpr int bench_rate = 44100;
inline constexpr std::uint32_t bench_chunk_frames = 4096;  // the renderer's default chunk

// `frames` interleaved frames of `channels` channels: a few sines panned across the channels plus
// a little noise, peaking near full scale.
std::vector<float> bench_programme(std::uint32_t frames, std::uint32_t channels);

}  // namespace ambiora_bench
