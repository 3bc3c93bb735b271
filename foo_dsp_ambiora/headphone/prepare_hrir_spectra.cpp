// Turns the twenty response tables into the spectra the convolution multiplies by.
//
// Transforming the responses once, while the engine is built, saves ten forward transforms per
// block. Each table is zero-padded to the 16384 points of the running transforms, so a spectrum
// can multiply a feed's spectrum bin by bin. No gain or window is applied: all scaling happens in
// render_headphone.
#include <fftw3.h>

#include <algorithm>

#include "engine/surround_engine.h"

namespace ambiora {

void prepare_hrir_spectra(headphone_renderer_state& renderer, const float* tables) {
    for (std::uint32_t t = 0; t < hrir_table_count; ++t) {
        aligned_buffer& spectrum = renderer.hrir_spectrum[t];
        spectrum.resize_discarding(spectrum_floats);  // already this size when built normally
        float* data = spectrum.data;

        // Each plan is used once, so it is made without measuring. An estimating planner leaves
        // the array alone, which is why the plan may come before the data.
        fftwf_plan plan = fftwf_plan_dft_r2c_1d(
            transform_length, data, reinterpret_cast<fftwf_complex*>(data), FFTW_ESTIMATE);
        std::copy_n(tables + std::size_t(t) * hrir_length, hrir_length, data);
        std::fill(data + hrir_length, data + spectrum_floats, 0.0f);
        fftwf_execute(plan);
        fftwf_destroy_plan(plan);
    }
}

}  // namespace ambiora
