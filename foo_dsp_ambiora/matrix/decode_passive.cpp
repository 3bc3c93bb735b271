// The fixed matrix decoder: L, R, a centre from their sum and one surround from their difference.
//
// Every source sample is halved first so that the sum and difference (at 0.707) cannot exceed
// full scale; the decoder never adapts, so a centre-panned voice also leaks into L and R at half
// level and a hard-left sound reaches centre and surround at 0.3535.
#include "engine/surround_engine.h"
#include "matrix/matrix_common.h"

namespace ambiora {

void decode_passive(surround_engine& engine, block_context& ctx) {
    constexpr float half = 0.5f;
    constexpr float matrix_gain = 0.707f;

    const double centre_gain = db_to_factor(ctx.centre_trim_db);
    const double surround_gain = db_to_factor(ctx.surround_trim_db);
    const speaker_factors on = speaker_factors_of(ctx);
    const bool virtual_centre = ctx.virtual_centre != 0;

    float* frame = ctx.work->data;
    for (std::uint32_t k = 0; k < ctx.frame_count; ++k, frame += frame_width) {
        const float l = half * frame[slot_l];
        const float r = half * frame[slot_r];
        float left = l;
        float right = r;
        float centre = float(matrix_gain * (double(l) + double(r)));
        const float surround = float(matrix_gain * (double(l) - double(r)));

        // A virtual centre folds the trimmed centre into the fronts, half to each side.
        if (virtual_centre) {
            left = float(left + half * centre_gain * centre);
            right = float(right + half * centre_gain * centre);
            centre = 0.0f;
        }

        frame[slot_l] = left * on.left;
        frame[slot_r] = right * on.right;
        frame[slot_c] = float(centre * on.centre * centre_gain);
        frame[slot_sl] = float(surround * on.surround_left * surround_gain);
        frame[slot_sr] = float(surround * on.surround_right * surround_gain);
        // The LFE slot keeps whatever the source put there.
    }

    post_process_surround(engine, ctx);
}

}  // namespace ambiora
