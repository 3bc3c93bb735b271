// The same modes with the chunk path included: the component, brought up through its entry point
// by the host simulator as the player brings it up, processes host chunks (interleaved samples of
// the host's sample type) through a DSP instance. This adds the settings snapshot, the spread into
// work frames, the write-back in the output layout and the denormal guard to the engine's work.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench_modes.h"
#include "bench_signal.h"
#include "component_host.h"
#include "engine/surround_engine.h"
#include "settings.h"

namespace {

using ambiora_bench::bench_chunk_frames;
using ambiora_bench::bench_rate;

constexpr std::uint32_t programme_chunks = 108;  // about ten seconds

host_sim::component_host& bench_host() {
    static host_sim::component_host* host = [] {
        std::string error;
        auto h = host_sim::component_host::attach(&foobar2000_get_interface, error);
        if (!h) std::abort();
        h->start();
        return h.release();
    }();
    return *host;
}

// The programme as the host hands it over: interleaved, in the host's sample type.
const std::vector<audio_sample>& programme(std::uint32_t channels) {
    static std::vector<audio_sample> cache[2];
    std::vector<audio_sample>& p = cache[channels == 2 ? 0 : 1];
    if (p.empty()) {
        const std::vector<float> s =
            ambiora_bench::bench_programme(programme_chunks * bench_chunk_frames, channels);
        p.assign(s.begin(), s.end());
    }
    return p;
}

void run_mode(benchmark::State& state, std::int32_t mode, std::uint32_t channels) {
    host_sim::component_host& host = bench_host();
    ambiora::restore_default_settings();
    ambiora::cfg_mode = mode;
    service_ptr_t<dsp> instance = host.instantiate_default();
    instance->flush_dsp();
    const std::vector<audio_sample>& input = programme(channels);
    const std::size_t chunk_samples = std::size_t(bench_chunk_frames) * channels;
    const unsigned mask = channels == 2 ? 0x3u : 0x3fu;
    host_sim::host_chunk_list list;
    const metadb_handle_ptr no_track;
    std::uint32_t chunk = 0;
    for (auto _ : state) {
        // The list keeps its chunk (and its storage) unless the instance dropped it.
        audio_chunk* c = list.get_count() != 0 ? list.get_item(0) : list.insert_item(0, 0);
        c->set_data_size(chunk_samples);
        std::copy_n(input.data() + chunk * chunk_samples, chunk_samples, c->get_data());
        c->set_channels(channels, mask);
        c->set_srate(bench_rate);
        c->set_sample_count(bench_chunk_frames);
        instance->run_chunks(&list, no_track, 0);
        benchmark::ClobberMemory();
        if (++chunk == programme_chunks) chunk = 0;
    }
    ambiora_bench::report_chunk_rate(state);
}

void register_modes() {
    static const ambiora_bench::mode_case cases[] = {
        {"chunk_path/1_plus_c/stereo", ambiora::mode_plus_c, 2},
        {"chunk_path/3_asr/stereo", ambiora::mode_asr, 2},
        {"chunk_path/5_headphone/5.1", ambiora::mode_headphone, 6},
        {"chunk_path/7_encode/5.1", ambiora::mode_encode, 6},
        {"chunk_path/8_encode2/5.1", ambiora::mode_encode2, 6},
    };
    ambiora_bench::register_mode_cases(cases, run_mode);
}

[[maybe_unused]] const bool registered = (register_modes(), true);

}  // namespace
