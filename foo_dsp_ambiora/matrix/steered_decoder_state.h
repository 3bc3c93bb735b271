// What decode_steered keeps: the band split's and the steering smoothers' memories, and the
// scratch arrays its passes hand on to each other.
//
// Threading: part of one engine, used by one thread at a time (see engine/surround_engine.h).
#pragma once

#include "engine/aligned_buffer.h"
#include "engine/block_context.h"

namespace ambiora {

struct steered_decoder_state {
    // Filter memories.
    biquad_state band_split[2];         // 1200 Hz split high-pass: left, right
    biquad_state steer_lr_high_memory;  // steering smoothers (7.95 Hz low-pass): high band L/R
    biquad_state steer_fb_high_memory;  //   high band front/back
    biquad_state steer_lr_low_memory;   //   low band L/R
    biquad_state steer_fb_low_memory;   //   low band front/back

    // Scratch arrays, sized by decode_steered for every block.
    aligned_buffer band_high;      // high band, interleaved left/right
    aligned_buffer band_low;       // low band, interleaved left/right
    aligned_buffer steer_lr_high;  // smoothed steering values, one per frame
    aligned_buffer steer_fb_high;
    aligned_buffer steer_lr_low;
    aligned_buffer steer_fb_low;

    // Clears the memories. The scratch is rewritten before it is read, so it is left alone.
    void reset();

    // Clears a memory that holds damage (see engine/contain_damage.h). The memories are few and
    // all checked, whatever the block's length `frames_in`.
    void contain_non_finite(std::uint32_t frames_in);

    // Frees the scratch.
    void release();
};

}  // namespace ambiora
