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
    // Either side of the reduction's switch points, ln(sqrt(2)) / 2 and ln 2 / 2.
    for (double x : {-0.34657359027997264, 0.34657359027997264, -0.6931471805599453, -1.0})
        worst = std::fmax(worst, std::fabs(batch_exp(x) - std::exp(x)) / std::exp(x));
    EXPECT_LT(worst, 4 * std::numeric_limits<double>::epsilon());
    EXPECT_EQ(batch_exp(0.0), 1.0) << "neutral steering must weigh exactly 1";
    EXPECT_EQ(batch_exp(-0.0), 1.0);
}

double relative_to_log(double got, double expected) {
    return std::fabs(got - expected) / std::fmax(1.0, std::fabs(expected));
}

TEST(BatchExpLog, LogarithmOfARatioIsWithinAFewUnitsOfTheLibraryOverItsRange) {
    double worst = 0.0;
    for (double x = 1e-300; x < 1e300; x *= 1.0173) {
        worst = std::fmax(worst, relative_to_log(batch_log_ratio(x, 1.0), std::log(x)));
        worst = std::fmax(worst, relative_to_log(batch_log_ratio(1.0, x), -std::log(x)));
    }
    // The detector's ratios lie in [0.1, 10], between magnitudes of any size.
    for (double x = 0.1; x <= 10.0; x += 1.0 / 8192.0) {
        for (double scale : {1.0, 3e-40, 7e20}) {
            const double b = scale * 1.2345;
            worst =
                std::fmax(worst, relative_to_log(batch_log_ratio(x * b, b), std::log(x * b / b)));
        }
    }
    // Either side of sqrt(2), where the reduction switches, and of powers of two.
    for (double x :
         {1.4142135623730949, 1.4142135623730951, 1.4142135623730954, 0.5, 2.0, 4.0,
          0.7071067811865475, 0.7071067811865476, 0.99999999999999989, 1.0000000000000002}) {
        worst = std::fmax(worst, relative_to_log(batch_log_ratio(x, 1.0), std::log(x)));
        worst = std::fmax(worst, relative_to_log(batch_log_ratio(1.5 * x, 1.5), std::log(x)));
    }
    EXPECT_LT(worst, 4 * std::numeric_limits<double>::epsilon());
    EXPECT_EQ(batch_log_ratio(1.0, 1.0), 0.0) << "a balanced ratio must read as exactly neutral";
    EXPECT_EQ(batch_log_ratio(0.3, 0.3), 0.0);
    EXPECT_EQ(float(batch_log_ratio(1.0, 0.1)), float(std::log(10.0)));
    EXPECT_EQ(float(batch_log_ratio(0.1, 1.0)), float(std::log(0.1)));
}

}  // namespace
}  // namespace ambiora
