// Every matrix path stays finite and bounded on hostile signals at rates from 1 kHz to 384 kHz.
// The low rates put the 1200 Hz band split and the 7 kHz low-passes at or past Nyquist, where the
// filters take their limit forms; 2401 and 14001 Hz put them just inside it, where the poles crowd
// z = -1.
#include "engine_test_support.h"

namespace ambiora::engine_test {
namespace {

// What slot `slot` gets of each signal; odd slots get a variant, so that L and R differ.
std::vector<float> hostile(int signal, unsigned n, unsigned slot, std::int32_t fs) {
    if (signal == 0) return noise(n, 70 + slot);
    const bool odd = slot % 2 == 1;
    const unsigned period = signal == 1 ? 2 : unsigned(std::max(2, fs / 50));
    std::vector<float> x(n);
    for (unsigned k = 0; k < n; ++k) {
        if (signal == 3)  // fading into subnormals and zeros, one side faster than the other
            x[k] = (odd ? -1.0f : 1.0f) * std::pow(odd ? 0.75f : 0.5f, float(std::min(k, 400u)));
        else  // squares at Nyquist, and at 50 Hz in opposite phase on L and R
            x[k] = (k % period < period / 2) != (odd && signal == 2) ? 1.0f : -1.0f;
    }
    return x;
}

class MatrixRobustness : public testing::TestWithParam<std::int32_t> {};

TEST_P(MatrixRobustness, FiniteAndBoundedOnHostileSignals) {
    const std::int32_t fs = GetParam();
    const unsigned frames = unsigned(std::max(fs / 8, 20000));
    for (const std::int32_t mode :
         {mode_plus_c, mode_as, mode_asr, mode_as2, mode_encode, mode_encode2}) {
        for (int signal = 0; signal < 4; ++signal) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << ", signal " << signal);
            test_block whole(frames, fs, mode);
            whole.ctx.input_channels = mode >= mode_encode ? 6 : 2;
            whole.ctx.surround_delay_ms = whole.ctx.centre_width_pct = 100;
            whole.ctx.centre_trim_db = whole.ctx.surround_trim_db = 12;
            whole.ctx.bass_redirect_on = 1;
            whole.ctx.bass_redirect_hz = 200;
            for (unsigned slot = 0; slot < frame_width; ++slot)
                whole.set_channel(slot, hostile(signal, frames, slot, fs));
            surround_engine engine;
            float peak = 0.0f;
            for (const float y : run_in_chunks(engine, whole, 4096, process_block)) {
                ASSERT_TRUE(std::isfinite(y));
                peak = std::max(peak, std::fabs(y));
            }
            // The +12 dB trims alone make full scale about 4; the filters' overshoot adds a little.
            EXPECT_LT(peak, 8.0f);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, MatrixRobustness,
                         testing::Values(1000, 2400, 2401, 8000, 14000, 14001, 44100, 384000));

}  // namespace
}  // namespace ambiora::engine_test
