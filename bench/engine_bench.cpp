// Frames per second of every mode through process_block, at 44.1 kHz in chunks of 4096 frames.
//
// Each iteration copies one chunk of prepared work frames into the work buffer (the processing is
// in place) and runs the block pipeline on it, walking through ten seconds of programme so that
// the steering keeps moving. "x_realtime" is how many times faster than playback that is.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench_modes.h"
#include "bench_signal.h"
#include "bench_engine.h"
#include "engine/surround_engine.h"

namespace {

using namespace ambiora;
using ambiora_bench::bench_chunk_frames;
using ambiora_bench::bench_rate;

constexpr std::uint32_t programme_chunks = 108;  // about ten seconds

// The programme spread into work frames as the chunk path spreads a stereo or 5.1 chunk.
std::vector<float> programme_frames(std::uint32_t channels) {
    const std::uint32_t frames = programme_chunks * bench_chunk_frames;
    const std::vector<float> source = ambiora_bench::bench_programme(frames, channels);
    std::vector<float> work(std::size_t(frames) * frame_width, 0.0f);
    for (std::uint32_t f = 0; f < frames; ++f) {
        for (std::uint32_t c = 0; c < channels; ++c)  // stereo: L, R; 5.1: L, R, C, LFE, SL, SR
            work[std::size_t(f) * frame_width + c] = source[std::size_t(f) * channels + c];
    }
    return work;
}

const std::vector<float>& programme(std::uint32_t channels) {
    static const std::vector<float> stereo = programme_frames(2);
    static const std::vector<float> surround = programme_frames(6);
    return channels == 2 ? stereo : surround;
}

void process_mode(benchmark::State& state, std::int32_t mode, std::uint32_t channels) {
    surround_engine& engine = ambiora_bench::built_engine();
    reset_engine(engine);
    const std::vector<float>& input = programme(channels);
    const std::size_t chunk_floats = std::size_t(bench_chunk_frames) * frame_width;
    aligned_buffer work;
    std::uint32_t chunk = 0;
    for (auto _ : state) {
        work.resize_discarding(std::uint32_t(chunk_floats));
        std::memcpy(work.data, input.data() + chunk * chunk_floats, chunk_floats * sizeof(float));
        block_context ctx;
        ctx.mode = mode;
        ctx.input_channels = std::int32_t(channels);
        ctx.sample_rate = bench_rate;
        ctx.frame_count = bench_chunk_frames;
        ctx.work = &work;
        process_block(engine, ctx);
        benchmark::DoNotOptimize(work.data);
        benchmark::ClobberMemory();
        if (++chunk == programme_chunks) chunk = 0;
    }
    ambiora_bench::report_chunk_rate(state);
}

void register_modes() {
    static const ambiora_bench::mode_case cases[] = {
        {"engine/0_bypass/stereo", mode_bypass, 2},
        {"engine/1_plus_c/stereo", mode_plus_c, 2},
        {"engine/2_as/stereo", mode_as, 2},
        {"engine/3_asr/stereo", mode_asr, 2},
        {"engine/4_as2/stereo", mode_as2, 2},
        {"engine/5_headphone/stereo", mode_headphone, 2},
        {"engine/6_headphone_movie/stereo", mode_headphone_movie, 2},
        {"engine/5_headphone/5.1", mode_headphone, 6},
        {"engine/6_headphone_movie/5.1", mode_headphone_movie, 6},
        {"engine/7_encode/5.1", mode_encode, 6},
        {"engine/8_encode2/5.1", mode_encode2, 6},
    };
    ambiora_bench::register_mode_cases(cases, process_mode);
}

[[maybe_unused]] const bool registered = (register_modes(), true);

}  // namespace
