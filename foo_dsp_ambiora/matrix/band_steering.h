// The steering detectors of both bands of the steered decoder in one call.
#pragma once

#include "engine/surround_engine.h"

namespace ambiora {

// One band's input pairs, smoother memories and smoothed outputs, as steering_detector takes them.
struct band_steering {
    const float* pairs;
    biquad_state& lr_memory;
    biquad_state& fb_memory;
    float* lr_out;
    float* fb_out;
};

// steering_detector on `high` and on `low`, with the same results, but the four smoothers run in
// one pass so that their recurrences overlap.
void detect_band_steering(const band_steering& high, const band_steering& low,
                          const block_context& ctx);

}  // namespace ambiora
