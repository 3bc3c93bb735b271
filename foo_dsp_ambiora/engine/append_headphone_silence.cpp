#include "engine/surround_engine.h"

namespace ambiora {

// Leaving the headphone modes: the frames the virtualiser had collected but not rendered are
// replaced by as many silent frames at the end of this block, so the stream keeps its length.
//
// The convolution tail is cleared at the same moment (our choice; only a reset would otherwise
// clear it). It belongs to audio that has already been played, and if a headphone mode came back
// later it would be added onto unrelated sound as a stale echo of the earlier passage.
void append_headphone_silence(surround_engine& engine, block_context& ctx) {
    headphone_renderer_state& renderer = engine.headphone;
    if (renderer.feed_fill != 0) {
        ctx.work->grow_keeping(renderer.feed_fill * frame_width);
        ctx.frame_count += renderer.feed_fill;
        renderer.feed_fill = 0;
    }
    if (renderer.tail_in_use) {
        renderer.overlap_tail.zero_used();
        renderer.tail_in_use = false;
    }
}

}  // namespace ambiora
