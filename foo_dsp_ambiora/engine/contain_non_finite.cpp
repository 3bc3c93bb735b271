// Keeps one block's bad samples from poisoning the rest of the stream (the reasons and the
// measure of "bad" are in engine/contain_damage.h).
//
// After every block the engine's carried state is checked and whatever is not a plausible sample
// is removed. The block that carried the damage may still come out non-finite; the next one
// starts from clean memories.
#include <algorithm>
#include <cstdint>

#include "engine/contain_damage.h"
#include "engine/surround_engine.h"

namespace ambiora {

void contain_non_finite(surround_engine& engine, std::uint32_t frames_in) {
    engine.steered_decoder.contain_non_finite();
    engine.surround_ending.contain_non_finite(frames_in);
    engine.bass_redirect.contain_non_finite();
    engine.encoders.contain_non_finite();

    // The buffers are checked only where this block can have written: everything else was
    // checked by the blocks before. That keeps the cost at a few microseconds even with 100 ms
    // delay lines at 192 kHz and a headphone block almost collected.
    //
    // Frames collected towards the next headphone block are stream state too: they would reach
    // the output only with a later block, and through the transforms would spoil all of it. The
    // newest of them came with this block.
    const std::uint32_t fill = engine.feed_fill;
    const std::uint32_t collected = std::min(fill, frames_in);
    if (collected != 0) {
        for (aligned_buffer& feed : engine.speaker_feed)
            scrub(feed.data + (fill - collected), collected);
    }

    // The tail changes only when a headphone block was rendered. Without one, every frame of the
    // block would still wait in the feeds (fill >= frames_in); with one, fewer than frames_in do,
    // since a rendered block took 8192 frames and at most 8191 were waiting before.
    if (engine.tail_in_use && fill < frames_in)
        scrub(engine.overlap_tail.data, engine.overlap_tail.size);
}

}  // namespace ambiora
