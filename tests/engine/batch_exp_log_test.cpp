// The decoder's vectorisable exponential and logarithm against the library's, in double.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "matrix/batch_exp_log.h"

namespace ambiora {
namespace {

TEST(BatchExpLog, ExponentialIsWithinAFewUnitsOfTheLibraryOverItsRange) {
    double worst = 0.0;
    for (double x = -708.0; x <= 709.0; x += 0.0137) {
        const double expected = std::exp(x);
        worst = std::fmax(worst, std::fabs(batch_exp(x) - expected) / expected);
    }
    // The steering's own range, densely.
    for (double x = -2.0; x <= 0.0; x += 1.0 / 4096.0) {
        const double expected = std::exp(x);
        worst = std::fmax(worst, std::fabs(batch_exp(x) - expected) / expected);
    }
    EXPECT_LT(worst, 4 * std::numeric_limits<double>::epsilon());
    EXPECT_EQ(batch_exp(0.0), 1.0) << "neutral steering must weigh exactly 1";
    EXPECT_EQ(batch_exp(-0.0), 1.0);
}

TEST(BatchExpLog, LogarithmIsWithinAFewUnitsOfTheLibraryOverItsRange) {
    double worst = 0.0;
    for (double x = 1e-300; x < 1e300; x *= 1.0173) {
        const double expected = std::log(x);
        worst = std::fmax(worst,
                          std::fabs(batch_log(x) - expected) / std::fmax(1.0, std::fabs(expected)));
    }
    // The detector's ratios lie in [0.1, 10].
    for (double x = 0.1; x <= 10.0; x += 1.0 / 8192.0) {
        const double expected = std::log(x);
        worst = std::fmax(worst,
                          std::fabs(batch_log(x) - expected) / std::fmax(1.0, std::fabs(expected)));
    }
    EXPECT_LT(worst, 4 * std::numeric_limits<double>::epsilon());
    EXPECT_EQ(batch_log(1.0), 0.0) << "a balanced ratio must read as exactly neutral";
    EXPECT_EQ(float(batch_log(10.0)), float(std::log(10.0)));
    EXPECT_EQ(float(batch_log(0.1)), float(std::log(0.1)));
}

TEST(BatchExpLog, ExponentAndMantissaBoundaries) {
    // Either side of sqrt(2), where the reduction switches, and of each power of two.
    for (double x : {1.4142135623730949, 1.4142135623730951, 1.4142135623730954, 0.5, 2.0, 4.0,
                     0.99999999999999989, 1.0000000000000002}) {
        EXPECT_NEAR(batch_log(x), std::log(x), 2e-16 * std::fmax(1.0, std::fabs(std::log(x)))) << x;
    }
    for (double x : {-0.34657359027997264, 0.34657359027997264, -0.6931471805599453, -1.0}) {
        EXPECT_NEAR(batch_exp(x), std::exp(x), 4e-16 * std::exp(x)) << x;
    }
}

}  // namespace
}  // namespace ambiora
