#include "render_loop.h"

#include <algorithm>
#include <type_traits>

#include "component_host.h"
#include "progress_bar.h"

namespace ambiora_cli {
namespace {

static_assert(std::is_same_v<audio_sample, float>,
              "the host's samples are floats on this platform");

// Far more than any mode holds back (the headphone modes hold less than one 8192-frame block).
constexpr std::uint64_t longest_tail_frames = 65536;

std::uint64_t frames_with_channels(const std::vector<host_sim::host_chunk>& kept) {
    std::uint64_t frames = 0;
    for (const host_sim::host_chunk& c : kept) {
        if (c.get_channels() != 0) frames += c.get_sample_count();
    }
    return frames;
}

}  // namespace

render_totals run_render(audio_source& source, dsp& instance, const render_options& options,
                         const render_hooks& hooks, progress_bar* progress) {
    const unsigned channels = source.channels();
    const unsigned rate = source.rate();
    std::vector<float> buffer(options.chunk_frames * channels);
    render_totals totals;

    auto run_one = [&](std::size_t frames, std::uint64_t index) {
        if (hooks.before_chunk) hooks.before_chunk(index);
        std::vector<host_sim::host_chunk> one;
        one.emplace_back(
            std::vector<audio_sample>(buffer.begin(), buffer.begin() + frames * channels), channels,
            rate);
        const std::vector<host_sim::host_chunk> kept =
            host_sim::run_chunks(instance, std::move(one));
        totals.kept_frames += frames_with_channels(kept);
        if (hooks.after_chunk) hooks.after_chunk(index, kept);
    };

    while (const std::size_t frames = source.read(buffer.data(), options.chunk_frames)) {
        run_one(frames, totals.input_chunks);
        ++totals.input_chunks;
        totals.input_frames += frames;
        if (progress != nullptr) progress->update(totals.input_frames);
    }

    if (options.complete_tail) {
        std::fill(buffer.begin(), buffer.end(), 0.0f);
        std::uint64_t added_frames = 0;
        while (totals.kept_frames < totals.input_frames && added_frames < longest_tail_frames) {
            run_one(options.chunk_frames, totals.input_chunks + totals.silent_chunks);
            ++totals.silent_chunks;
            added_frames += options.chunk_frames;
        }
    }
    if (progress != nullptr) progress->finish();
    return totals;
}

}  // namespace ambiora_cli
