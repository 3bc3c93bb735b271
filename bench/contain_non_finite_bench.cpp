// What containing bad samples costs per block: contain_non_finite on an engine whose carried
// state is as large as it gets (100 ms delay lines at 192 kHz, a full overlap tail, a headphone
// block almost collected, a chunk that checks all of it), for a typical chunk, and, for scale,
// on one that only holds the filter memories.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench_engine.h"
#include "engine/surround_engine.h"

namespace ambiora {
namespace {

void BM_contain_non_finite_largest_state(benchmark::State& state) {
    surround_engine& engine = ambiora_bench::built_engine();
    reset_engine(engine);
    for (delay_line& line : engine.surround_ending.delay) {
        line.restart(19200);  // 100 ms at 192 kHz
        for (std::uint32_t i = 0; i < line.ring.size; ++i) line.ring.data[i] = 0.25f;
    }
    engine.headphone.feed_fill = hrir_length - 1;
    for (aligned_buffer& feed : engine.headphone.speaker_feed) {
        for (std::uint32_t i = 0; i < engine.headphone.feed_fill; ++i) feed.data[i] = -0.5f;
    }
    engine.headphone.tail_in_use = true;
    // A large chunk that has just rendered a block: every buffer is checked over its whole span.
    const std::uint32_t frames_in = 24000;
    for (auto _ : state) {
        contain_non_finite(engine, frames_in);
        benchmark::ClobberMemory();
    }
    reset_engine(engine);
}

// A 1024-frame chunk in a headphone mode that rendered nothing, with 20 ms delay lines at
// 48 kHz: the usual case.
void BM_contain_non_finite_typical_chunk(benchmark::State& state) {
    surround_engine& engine = ambiora_bench::built_engine();
    reset_engine(engine);
    for (delay_line& line : engine.surround_ending.delay) line.restart(960);
    engine.headphone.feed_fill = 4096;
    engine.headphone.tail_in_use = true;
    for (auto _ : state) {
        contain_non_finite(engine, 1024);
        benchmark::ClobberMemory();
    }
    reset_engine(engine);
}

void BM_contain_non_finite_filter_memories_only(benchmark::State& state) {
    surround_engine& engine = ambiora_bench::built_engine();
    reset_engine(engine);
    for (delay_line& line : engine.surround_ending.delay) line.restart(0);
    for (auto _ : state) {
        contain_non_finite(engine, 1024);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_contain_non_finite_largest_state)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_contain_non_finite_typical_chunk)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_contain_non_finite_filter_memories_only)->Unit(benchmark::kNanosecond);

}  // namespace
}  // namespace ambiora
