// The response spectra prepared while the engine is built, against a plain transform in double.
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "engine/surround_engine.h"

namespace ambiora {
namespace {

using cdouble = std::complex<double>;

// Reference transform in double precision: radix-2, forward sign, unnormalised, like FFTW's.
std::vector<cdouble> forward_transform(std::vector<cdouble> x) {
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j |= bit;
        if (i < j) std::swap(x[i], x[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2.0 * std::numbers::pi / double(len);
        for (std::size_t start = 0; start < n; start += len) {
            for (std::size_t m = 0; m < len / 2; ++m) {
                const cdouble w = std::polar(1.0, angle * double(m));
                const cdouble a = x[start + m], b = x[start + m + len / 2] * w;
                x[start + m] = a + b;
                x[start + m + len / 2] = a - b;
            }
        }
    }
    return x;
}

// Largest distance between a stored spectrum and the transform of `table` padded with zeros.
double spectrum_error(const aligned_buffer& spectrum, const float* table) {
    std::vector<cdouble> padded(transform_length);
    for (std::uint32_t j = 0; j < hrir_length; ++j) padded[j] = table[j];
    const std::vector<cdouble> expected = forward_transform(padded);
    double worst = 0.0;
    for (std::uint32_t i = 0; i <= transform_length / 2; ++i) {
        const cdouble got(spectrum.data[2 * i], spectrum.data[2 * i + 1]);
        worst = std::max(worst, std::abs(got - expected[i]));
    }
    return worst;
}

TEST(HeadphoneSpectra, BuiltInAndGivenTableSetsAreTransformedUnscaled) {
    surround_engine engine;
    build_engine(engine);
    for (std::uint32_t t = 0; t < hrir_table_count; ++t) {
        ASSERT_EQ(engine.hrir_spectrum[t].size, spectrum_floats);
        EXPECT_LT(spectrum_error(engine.hrir_spectrum[t], builtin_hrir_tables() + t * hrir_length),
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
    for (aligned_buffer& spectrum : given.hrir_spectrum) {
        spectrum.resize_discarding(spectrum_floats);
        std::fill_n(spectrum.data, spectrum_floats, 1.0f);
    }
    prepare_hrir_spectra(given, tables.data());
    for (std::uint32_t t = 0; t < hrir_table_count; ++t)
        EXPECT_LT(spectrum_error(given.hrir_spectrum[t], tables.data() + t * hrir_length), 1e-5)
            << "given table " << t;
}

}  // namespace
}  // namespace ambiora
