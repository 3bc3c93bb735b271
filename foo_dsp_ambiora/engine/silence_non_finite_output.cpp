// The last line of the containment: whatever a damaged input made of the block, no NaN or infinity
// leaves the engine. In the player such a sample reaches the output device as a full-scale click
// (or worse, a stream of them); in a file it becomes one. Each is replaced by silence and counted,
// so that a tool can say how much was lost. Finite samples are never touched, so the output of
// finite input stays exactly what it was.
#include "dsp/chunk_layout.h"
#include "engine/contain_damage.h"
#include "engine/surround_engine.h"

namespace ambiora {
namespace {

template <std::uint32_t channels>
constexpr std::uint32_t slot_mask() {
    std::uint32_t mask = 0;
    for (const std::uint32_t slot : channel_slots<channels>) mask |= 1u << slot;
    return mask;
}

// The slots the chunk is written back from; the others are scratch the host never sees.
std::uint32_t output_slot_mask(std::int32_t channels) {
    switch (channels) {
        case 1:
            return slot_mask<1>();
        case 2:
            return slot_mask<2>();
        case 4:
            return slot_mask<4>();
        case 5:
            return slot_mask<5>();
        case 6:
            return slot_mask<6>();
        default:
            return 0;
    }
}

}  // namespace

void silence_non_finite_output(surround_engine& engine, block_context& ctx) {
    float* s = ctx.work->data;
    const std::size_t n = std::size_t(ctx.frame_count) * frame_width;
    if (!holds_magnitude_above(s, n, largest_finite_bits)) return;
    const std::uint32_t counted = output_slot_mask(ctx.output_channels);
    for (std::size_t i = 0; i < n; ++i) {
        if (!magnitude_above(s[i], largest_finite_bits)) continue;
        s[i] = 0.0f;
        if ((counted >> (i % frame_width)) & 1u) ++engine.silenced_output_samples;
    }
}

}  // namespace ambiora
