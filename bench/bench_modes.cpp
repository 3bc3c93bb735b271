#include "bench_modes.h"

#include "bench_signal.h"

namespace ambiora_bench {

void register_mode_cases(std::span<const mode_case> cases, mode_runner run) {
    for (const mode_case& c : cases) {
        benchmark::RegisterBenchmark(c.name, [c, run](benchmark::State& s) {
            run(s, c.mode, c.channels);
        })->Unit(benchmark::kMicrosecond);
    }
}

void report_chunk_rate(benchmark::State& state) {
    const double frames = double(state.iterations()) * bench_chunk_frames;
    state.SetItemsProcessed(std::int64_t(frames));
    state.counters["x_realtime"] =
        benchmark::Counter(frames / bench_rate, benchmark::Counter::kIsRate);
}

}  // namespace ambiora_bench
