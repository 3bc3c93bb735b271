// What a long stretch of silence after loud audio costs, next to the audio itself, per mode: with
// the chunk path's denormal guard (flush-to-zero and denormals-are-zero) and, for contrast,
// without it.
//
// Every iteration plays one second of loud noise and then ten seconds of digital silence through
// the same engine, in 1024-frame chunks at 44.1 kHz, the way the chunk path hands them over. The
// recursive filters ring down through the subnormal range during the silence; without the guard
// each of those values costs the processor a microcode assist. "loud" times the first second,
// "silence" the ten after it; both report frames per second (items_per_second), so the two can
// be compared directly.
#include <benchmark/benchmark.h>

#include <cstring>
#include <ctime>
#include <random>
#include <vector>

#include "dsp/denormal_guard.h"
#include "bench_engine.h"
#include "engine/surround_engine.h"
#include "modes.h"

namespace ambiora {
namespace {

constexpr std::uint32_t rate = 44100;
constexpr std::uint32_t chunk_frames = 1024;
constexpr std::uint32_t loud_chunks = rate / chunk_frames;         // about one second
constexpr std::uint32_t silent_chunks = 10 * rate / chunk_frames;  // about ten seconds

enum class part { loud, silence };

// CPU time of this thread: the machine may be busy with other work, and only our own cycles
// say what the processing costs.
double thread_seconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// Stereo sources for the decoders and headphone modes, six channels for the encoders.
std::int32_t source_channels(std::int32_t mode) {
    return mode >= mode_encode ? 6 : 2;
}

// One chunk through the engine, as the chunk path runs it: a fresh spread of the source samples
// into the work frames, one context, process_block.
void run_chunk(surround_engine& engine, aligned_buffer& work, const std::vector<float>& frames,
               std::int32_t mode, bool guarded) {
    work.resize_discarding(chunk_frames * frame_width);
    std::memcpy(work.data, frames.data(), frames.size() * sizeof(float));
    block_context ctx;
    ctx.mode = mode;
    ctx.surround_delay_ms = 20;
    ctx.bass_redirect_on = 1;
    ctx.bass_redirect_hz = 80;
    ctx.input_channels = source_channels(mode);
    ctx.sample_rate = rate;
    ctx.frame_count = chunk_frames;
    ctx.work = &work;
    if (guarded) {
        denormal_guard flush_denormals;
        process_block(engine, ctx);
    } else {
        process_block(engine, ctx);
    }
    benchmark::DoNotOptimize(work.data);
}

void loud_then_silent(benchmark::State& state, part timed, bool guarded) {
    const auto mode = static_cast<std::int32_t>(state.range(0));
    surround_engine& engine = ambiora_bench::built_engine();
    aligned_buffer work;

    std::vector<float> loud(chunk_frames * frame_width, 0.0f);
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> sample(-0.9f, 0.9f);
    const std::int32_t channels = source_channels(mode);
    for (std::uint32_t f = 0; f < chunk_frames; ++f) {
        for (std::int32_t c = 0; c < channels; ++c) loud[f * frame_width + c] = sample(rng);
    }
    const std::vector<float> silent(chunk_frames * frame_width, 0.0f);

    std::uint64_t frames_timed = 0;
    for (auto _ : state) {
        reset_engine(engine);
        double start = thread_seconds();
        for (std::uint32_t k = 0; k < loud_chunks; ++k)
            run_chunk(engine, work, loud, mode, guarded);
        const double loud_time = thread_seconds() - start;
        start = thread_seconds();
        for (std::uint32_t k = 0; k < silent_chunks; ++k)
            run_chunk(engine, work, silent, mode, guarded);
        const double silent_time = thread_seconds() - start;
        state.SetIterationTime(timed == part::loud ? loud_time : silent_time);
        frames_timed +=
            std::uint64_t(timed == part::loud ? loud_chunks : silent_chunks) * chunk_frames;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(frames_timed));
}

void all_modes(benchmark::internal::Benchmark* b) {
    for (int mode = 1; mode < mode_count; ++mode) b->Arg(mode);
    b->ArgName("mode")->UseManualTime()->Unit(benchmark::kMillisecond);
}

void BM_loud_guarded(benchmark::State& s) {
    loud_then_silent(s, part::loud, true);
}
void BM_silence_after_loud_guarded(benchmark::State& s) {
    loud_then_silent(s, part::silence, true);
}
void BM_loud_unguarded(benchmark::State& s) {
    loud_then_silent(s, part::loud, false);
}
void BM_silence_after_loud_unguarded(benchmark::State& s) {
    loud_then_silent(s, part::silence, false);
}

BENCHMARK(BM_loud_guarded)->Apply(all_modes);
BENCHMARK(BM_silence_after_loud_guarded)->Apply(all_modes);
BENCHMARK(BM_loud_unguarded)->Apply(all_modes);
BENCHMARK(BM_silence_after_loud_unguarded)->Apply(all_modes);

}  // namespace
}  // namespace ambiora
