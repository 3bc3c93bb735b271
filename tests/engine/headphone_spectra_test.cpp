// The response spectra prepared while the engine is built.
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "engine/surround_engine.h"

namespace ambiora {
namespace {

// Largest distance between a stored spectrum and the unnormalised forward DFT (FFTW's sign) of
// `table` padded with zeros, computed directly in double at every 127th bin and the last.
double spectrum_error(const aligned_buffer& spectrum, const float* table) {
    static const std::vector<std::complex<double>> twiddle = [] {
        std::vector<std::complex<double>> w(transform_length);
        for (std::uint32_t k = 0; k < transform_length; ++k)
            w[k] = std::polar(1.0, -2.0 * std::numbers::pi * k / transform_length);
        return w;
    }();
    constexpr std::uint32_t last = transform_length / 2;
    double worst = 0.0;
    for (std::uint32_t i = 0; i <= last; i = i == last ? last + 1 : std::min(i + 127, last)) {
        std::complex<double> expected = 0.0;
        for (std::uint32_t j = 0; j < hrir_length; ++j)
            expected += double(table[j]) * twiddle[std::uint64_t(i) * j % transform_length];
        const std::complex<double> got(spectrum.data[2 * i], spectrum.data[2 * i + 1]);
        worst = std::max(worst, std::abs(got - expected));
    }
    return worst;
}

TEST(HeadphoneSpectra, BuiltInAndGivenTableSetsAreTransformedUnscaled) {
    surround_engine engine;
    build_engine(engine);
    for (std::uint32_t t = 0; t < hrir_table_count; ++t) {
        ASSERT_EQ(engine.headphone.hrir_spectrum[t].size, spectrum_floats);
        EXPECT_LT(spectrum_error(engine.headphone.hrir_spectrum[t],
                                 builtin_hrir_tables() + t * hrir_length),
                  2e-5)
            << "built-in table " << t;
    }
    destroy_engine(engine);

    // Table t of the given set is a single tap of height (t + 1) / 32 at sample 37 t, so a mix-up
    // of tables, offsets or padding shows. The spectra are made dirty first: the padding must be
    // rewritten.
    std::vector<float> tables(hrir_table_count * hrir_length, 0.0f);
    for (std::uint32_t t = 0; t < hrir_table_count; ++t)
        tables[t * hrir_length + 37 * t] = float(t + 1) / 32.0f;
    surround_engine given;
    for (aligned_buffer& spectrum : given.headphone.hrir_spectrum) {
        spectrum.resize_discarding(spectrum_floats);
        std::fill_n(spectrum.data, spectrum_floats, 1.0f);
    }
    prepare_hrir_spectra(given.headphone, tables.data());
    for (std::uint32_t t = 0; t < hrir_table_count; ++t)
        EXPECT_LT(spectrum_error(given.headphone.hrir_spectrum[t], tables.data() + t * hrir_length),
                  1e-5)
            << "given table " << t;
}

}  // namespace
}  // namespace ambiora
