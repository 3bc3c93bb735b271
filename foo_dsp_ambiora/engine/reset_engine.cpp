#include "engine/surround_engine.h"

namespace ambiora {
// Clears the stream's history. Scratch arrays, feeds and products are rewritten before they are
// read, so they are left alone; nothing is freed or resized, so a reset never allocates. The delay
// lines keep their ring positions: after zeroing, where the ring starts no longer matters.
void reset_engine(surround_engine& engine) {
    engine.steered_decoder.reset();
    engine.surround_ending.reset();
    engine.bass_redirect.reset();
    engine.encoders.reset();

    engine.overlap_tail.zero_used();

    engine.feed_fill = 0;
    engine.tail_in_use = false;
}

}  // namespace ambiora
