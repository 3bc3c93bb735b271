#include "render_loop.h"

#include <algorithm>
#include <type_traits>

#include "progress_bar.h"

namespace ambiora_cli {
namespace {

static_assert(std::is_same_v<audio_sample, float>,
              "the host's samples are floats on this platform");

// Far more than any mode holds back (the headphone modes hold less than one 8192-frame block).
constexpr std::uint64_t longest_tail_frames = 65536;

std::uint64_t frames_with_channels(const kept_chunks& kept) {
    std::uint64_t frames = 0;
    for (const host_sim::host_chunk* c : kept) {
        if (c->get_channels() != 0) frames += c->get_sample_count();
    }
    return frames;
}

}  // namespace

render_totals run_render(audio_source& source, dsp& instance, const render_options& options,
                         const render_hooks& hooks, progress_bar* progress) {
    const unsigned channels = source.channels();
    const unsigned rate = source.rate();
    const metadb_handle_ptr no_track;
    host_sim::host_chunk_list list;
    kept_chunks kept;
    render_totals totals;
    // The storage of the last chunk handed back, reused for the next one: once it has grown to
    // the widest output, reading a chunk costs no allocation (and no fresh pages to fault in).
    std::vector<audio_sample> spare;

    // Reads the next chunk straight into a chunk of the list (the component rewrites it in place)
    // and returns its frame count; `silent` makes a chunk of zeros instead.
    auto fill_chunk = [&](bool silent) -> std::size_t {
        spare.resize(options.chunk_frames * channels);
        if (silent) std::fill(spare.begin(), spare.end(), audio_sample(0));
        host_sim::host_chunk& chunk =
            list.add(host_sim::host_chunk(std::move(spare), channels, rate));
        const std::size_t frames =
            silent ? options.chunk_frames : source.read(chunk.get_data(), options.chunk_frames);
        chunk.set_data_size(frames * channels);
        chunk.set_sample_count(frames);
        return frames;
    };
    auto run_chunk = [&](std::uint64_t index) {
        if (hooks.before_chunk) hooks.before_chunk(index);
        instance.run_chunks(&list, no_track, 0);
        kept.clear();
        for (std::size_t i = 0; i < list.get_count(); ++i) kept.push_back(&list.at(i));
        totals.kept_frames += frames_with_channels(kept);
        if (hooks.after_chunk) hooks.after_chunk(index, kept);
        if (list.get_count() != 0) spare = list.at(list.get_count() - 1).take_storage();
        while (list.get_count() != 0) list.remove_by_idx(list.get_count() - 1);
    };

    while (const std::size_t frames = fill_chunk(false)) {
        run_chunk(totals.input_chunks);
        ++totals.input_chunks;
        totals.input_frames += frames;
        if (progress != nullptr) progress->update(totals.input_frames);
    }
    list.remove_by_idx(0);  // the chunk that found the end of the input
    if (hooks.end_of_input) hooks.end_of_input(totals.input_frames);

    if (options.complete_tail) {
        std::uint64_t added_frames = 0;
        while (totals.kept_frames < totals.input_frames && added_frames < longest_tail_frames) {
            added_frames += fill_chunk(true);
            run_chunk(totals.input_chunks + totals.silent_chunks);
            ++totals.silent_chunks;
        }
    }
    if (progress != nullptr) progress->finish();
    return totals;
}

}  // namespace ambiora_cli
