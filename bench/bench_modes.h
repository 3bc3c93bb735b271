// What the per-mode benchmarks share: their case lists and how they report a rate.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <span>

namespace ambiora_bench {

struct mode_case {
    const char* name;  // "<group>/<mode>/<layout>"
    std::int32_t mode;
    std::uint32_t channels;  // of the source
};

using mode_runner = void (*)(benchmark::State& state, std::int32_t mode, std::uint32_t channels);

// Registers `run` once per case, under the case's name, timed in microseconds.
void register_mode_cases(std::span<const mode_case> cases, mode_runner run);

// Frames per second (items_per_second) and `x_realtime`, the multiple of 44.1 kHz playback, for a
// run whose every iteration processed one chunk of bench_chunk_frames.
void report_chunk_rate(benchmark::State& state);

}  // namespace ambiora_bench
