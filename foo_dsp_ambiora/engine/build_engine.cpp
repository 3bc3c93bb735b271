#include "engine/surround_engine.h"

namespace ambiora {

// Everything slow happens here, at load: the twenty response transforms and the measured
// planning of the fifteen run-time transforms. The playback thread never plans.
//
// What if planning or allocation fails at load? Neither is checked: FFTW's planner does not fail
// for a plain 1-D real transform, and a process that cannot find a few megabytes while loading a
// plug-in has already lost.
// `engine` is freshly constructed: every buffer empty, every memory, counter and plan zero.
void build_engine(surround_engine& engine, const float* hrir_tables) {
    for (aligned_buffer& spectrum : engine.hrir_spectrum) spectrum.resize_discarding(spectrum_floats);
    prepare_hrir_spectra(engine, hrir_tables != nullptr ? hrir_tables : builtin_hrir_tables());

    // FFTW_MEASURE scribbles over the arrays while it plans, so the feeds and products are planned
    // before anything is stored in them; the virtualiser refills them for every block anyway.
    for (std::uint32_t k = 0; k < speaker_count; ++k) {
        aligned_buffer& feed = engine.speaker_feed[k];
        feed.resize_discarding(spectrum_floats);
        engine.feed_plan[k] = fftwf_plan_dft_r2c_1d(
            transform_length, feed.data, reinterpret_cast<fftwf_complex*>(feed.data), FFTW_MEASURE);
    }
    for (std::uint32_t p = 0; p < speaker_count * ear_count; ++p) {
        aligned_buffer& product = engine.ear_product[p];
        product.resize_discarding(spectrum_floats);
        engine.ear_plan[p] = fftwf_plan_dft_c2r_1d(
            transform_length, reinterpret_cast<fftwf_complex*>(product.data), product.data,
            FFTW_MEASURE);
    }

    engine.overlap_tail.resize_discarding(transform_length);
    for (std::uint32_t i = 0; i < transform_length; ++i) engine.overlap_tail.data[i] = 0.0f;
    engine.feed_fill = 0;
    engine.tail_in_use = false;
}

}  // namespace ambiora
