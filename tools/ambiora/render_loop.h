// The render loop: cuts a source into consecutive chunks of a fixed size (the last shorter),
// hands each to a DSP instance on its own, as the player's playback thread does, and passes on
// what the component kept.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "audio_source.h"
#include "host_objects.h"

namespace ambiora_cli {

class progress_bar;

inline constexpr std::size_t default_chunk_frames = 4096;
inline constexpr std::size_t largest_chunk_frames = std::size_t(1) << 22;

// What the component left in the chunk list after one input chunk: nothing when it dropped the
// chunk, otherwise the chunk itself (which may be empty: no channels). Valid during the hook.
using kept_chunks = std::vector<const host_sim::host_chunk*>;

struct render_hooks {
    // Before input chunk `index` goes in; the schedule's changes happen here.
    std::function<void(std::uint64_t index)> before_chunk;
    // What the component kept from input chunk `index`.
    std::function<void(std::uint64_t index, const kept_chunks& kept)> after_chunk;
    // Once the source has run dry, with the frames it gave, before any silent tail.
    std::function<void(std::uint64_t input_frames)> end_of_input;
};

struct render_options {
    std::size_t chunk_frames = default_chunk_frames;
    // The headphone modes release audio in whole blocks and keep the rest of the last one, as
    // in the player. When set, silent chunks follow the input until the component has given back
    // at least as many frames as went in (bounded), so a file renders to its full length.
    bool complete_tail = false;
};

struct render_totals {
    std::uint64_t input_chunks = 0;
    std::uint64_t input_frames = 0;
    std::uint64_t kept_frames = 0;    // frames in kept chunks that had channels
    std::uint64_t silent_chunks = 0;  // added by complete_tail
};

render_totals run_render(audio_source& source, dsp& instance, const render_options& options,
                         const render_hooks& hooks, progress_bar* progress);

}  // namespace ambiora_cli
