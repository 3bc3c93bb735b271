// The fixed matrix decoder: L, R, a centre from their sum and one surround from their difference.
//
// Every source sample is halved first so that the sum and difference (at 0.707) cannot exceed
// full scale; the decoder never adapts, so a centre-panned voice also leaks into L and R at half
// level and a hard-left sound reaches centre and surround at 0.3535.
#include "engine/speaker_switches.h"
#include "engine/surround_engine.h"

namespace ambiora {
namespace {

constexpr float half = 0.5f;
constexpr float matrix_gain = 0.707f;

struct passive_gains {
    double centre, surround;
    speaker_factors on;
};

// The per-frame matrix. Whether a virtual centre folds the centre into the fronts is a template
// argument, so that each variant is a loop without branches, which the compiler vectorises.
template <bool virtual_centre>
void decode_frames(float* frame, std::uint32_t frames, const passive_gains& g) {
    for (std::size_t k = 0; k < frames; ++k, frame += frame_width) {
        const float l = half * frame[slot_l];
        const float r = half * frame[slot_r];
        float left = l;
        float right = r;
        float centre = float(matrix_gain * (double(l) + double(r)));
        const float surround = float(matrix_gain * (double(l) - double(r)));

        // A virtual centre folds the trimmed centre into the fronts, half to each side.
        if constexpr (virtual_centre) {
            left = float(left + half * g.centre * centre);
            right = float(right + half * g.centre * centre);
            centre = 0.0f;
        }

        frame[slot_l] = left * g.on.left;
        frame[slot_r] = right * g.on.right;
        frame[slot_c] = float(centre * g.on.centre * g.centre);
        frame[slot_sl] = float(surround * g.on.surround_left * g.surround);
        frame[slot_sr] = float(surround * g.on.surround_right * g.surround);
        // The LFE slot keeps whatever the source put there.
    }
}

}  // namespace

void decode_passive(surround_engine& engine, block_context& ctx) {
    const passive_gains gains = {db_to_factor(ctx.centre_trim_db),
                                 db_to_factor(ctx.surround_trim_db), speaker_factors_of(ctx)};
    if (ctx.virtual_centre != 0)
        decode_frames<true>(ctx.work->data, ctx.frame_count, gains);
    else
        decode_frames<false>(ctx.work->data, ctx.frame_count, gains);

    post_process_surround(engine, ctx);
}

}  // namespace ambiora
