// Small helpers shared by the matrix decoders.
#pragma once

#include "engine/surround_engine.h"

namespace ambiora {

// The five speaker switches as multipliers: 1 for a sounding speaker, 0 for a muted one. Any
// non-zero switch counts as on, so a stray value can mute or pass but never scale the output.
struct speaker_factors {
    float left, right, centre, surround_left, surround_right;
};

inline float switch_factor(std::int32_t on) {
    return on != 0 ? 1.0f : 0.0f;
}

inline speaker_factors speaker_factors_of(const block_context& ctx) {
    return {switch_factor(ctx.speaker_on[speaker_l]), switch_factor(ctx.speaker_on[speaker_r]),
            switch_factor(ctx.speaker_on[speaker_c]), switch_factor(ctx.speaker_on[speaker_sl]),
            switch_factor(ctx.speaker_on[speaker_sr])};
}

}  // namespace ambiora
