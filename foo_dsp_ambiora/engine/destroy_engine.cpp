#include "engine/surround_engine.h"

namespace ambiora {

void destroy_engine(surround_engine& engine) {
    reset_engine(engine);

    for (fftwf_plan& plan : engine.feed_plan) {
        if (plan != nullptr) fftwf_destroy_plan(plan);
        plan = nullptr;
    }
    for (fftwf_plan& plan : engine.ear_plan) {
        if (plan != nullptr) fftwf_destroy_plan(plan);
        plan = nullptr;
    }

    // Reverse member order.
    for (int p = int(speaker_count * ear_count) - 1; p >= 0; --p) engine.ear_product[p].release();
    engine.overlap_tail.release();
    for (int k = int(speaker_count) - 1; k >= 0; --k) engine.speaker_feed[k].release();
    engine.binaural_block.release();
    for (int t = int(hrir_table_count) - 1; t >= 0; --t) engine.hrir_spectrum[t].release();
    engine.bass_redirect.release();
    engine.encoders.release();
    engine.steered_decoder.release();
    engine.surround_ending.release();
}

}  // namespace ambiora
