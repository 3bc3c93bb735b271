// The front half of the steered decoder: the 1200 Hz band split and the steering detectors of
// both bands, in one call.
#pragma once

#include "engine/surround_engine.h"

namespace ambiora {

// Splits the block's L and R into state.band_high (above 1200 Hz) and state.band_low (the rest,
// so that high + low is the source sample for sample), both interleaved pairs, and runs
// steering_detector on each band into state.steer_lr_high / steer_fb_high / steer_lr_low /
// steer_fb_low. The scratch arrays must already hold ctx.frame_count frames.
//
// The results are those of the separate passes, bit for bit; the passes are interleaved so that
// their recurrences overlap (see steering_detector.cpp).
void split_and_detect_steering(steered_decoder_state& state, const block_context& ctx);

}  // namespace ambiora
