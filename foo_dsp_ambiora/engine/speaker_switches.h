// The five speaker switches as multipliers, for every stage that reads them.
//
// A switch is stored as an integer, and a damaged configuration can hold any value in it. Every
// reader takes 0 as muted and anything else as on, so a stray value can mute or pass a speaker but
// never scale its level.
#pragma once

#include <cstdint>

#include "engine/block_context.h"

namespace ambiora {

// 1 for a sounding speaker, 0 for a muted one.
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
