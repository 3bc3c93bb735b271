#include <cmath>

#include "engine/surround_engine.h"

namespace ambiora {

void apply_gain_db(block_context& ctx, float db) {
    constexpr float one_twentieth = 0.05f;
    const double g = std::pow(10.0, double(db) * double(one_twentieth));
    // The master gain is usually 0 dB; multiplying by exactly 1 would change nothing but time.
    if (g == 1.0) return;
    float* s = ctx.work->data;
    const std::size_t n = std::size_t(ctx.frame_count) * frame_width;
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<float>(s[i] * g);
}

}  // namespace ambiora
