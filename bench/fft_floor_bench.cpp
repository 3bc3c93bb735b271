// The floor under the headphone mode: only what one 8192-frame block cannot do without, namely
// refilling the five zero-padded feeds, their five forward 16384-point transforms, the ten
// complex products of 8193 bins (in single precision) and the ten inverse transforms, all in
// place with measured plans. FFTW may pick buffered plans here, which the engine forgoes (they
// allocate as they run), so the floor is if anything a little low. The engine's headphone mode is
// compared with this.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "bench_signal.h"

namespace {

constexpr int points = 16384;
constexpr int hop = 8192;
constexpr int floats = points + 2;  // 8193 complex bins in place
constexpr int feeds = 5;
constexpr int products = 10;

struct transform_floor {
    float* feed[feeds];
    float* product[products];
    float* response[products];
    fftwf_plan forward[feeds];
    fftwf_plan inverse[products];

    transform_floor() {
        for (auto& a : feed) a = fftwf_alloc_real(floats);
        for (auto& a : product) a = fftwf_alloc_real(floats);
        for (auto& a : response) a = fftwf_alloc_real(floats);
        for (int k = 0; k < feeds; ++k)
            forward[k] = fftwf_plan_dft_r2c_1d(
                points, feed[k], reinterpret_cast<fftwf_complex*>(feed[k]), FFTW_MEASURE);
        for (int p = 0; p < products; ++p)
            inverse[p] = fftwf_plan_dft_c2r_1d(points, reinterpret_cast<fftwf_complex*>(product[p]),
                                               product[p], FFTW_MEASURE);
        // Some spectrum of plausible size; its values do not change the cost.
        const std::vector<float> noise = ambiora_bench::bench_programme(floats, 1);
        for (float* r : response) std::copy(noise.begin(), noise.end(), r);
    }
};

void fft_floor(benchmark::State& state) {
    static transform_floor t;
    const std::vector<float> source = ambiora_bench::bench_programme(hop, feeds);
    for (auto _ : state) {
        for (int k = 0; k < feeds; ++k) {
            for (int j = 0; j < hop; ++j) t.feed[k][j] = source[std::size_t(j) * feeds + k];
            std::fill(t.feed[k] + hop, t.feed[k] + floats, 0.0f);
            fftwf_execute(t.forward[k]);
        }
        for (int p = 0; p < products; ++p) {
            const float* x = t.feed[p / 2];
            const float* h = t.response[p];
            float* y = t.product[p];
            for (int i = 0; i < floats; i += 2) {
                y[i] = x[i] * h[i] - x[i + 1] * h[i + 1];
                y[i + 1] = x[i] * h[i + 1] + x[i + 1] * h[i];
            }
        }
        for (fftwf_plan p : t.inverse) fftwf_execute(p);
        benchmark::DoNotOptimize(t.product[0][0]);
        benchmark::ClobberMemory();
    }
    const double frames = double(state.iterations()) * hop;
    state.SetItemsProcessed(std::int64_t(frames));
    state.counters["x_realtime"] =
        benchmark::Counter(frames / ambiora_bench::bench_rate, benchmark::Counter::kIsRate);
}

BENCHMARK(fft_floor)->Name("fft_floor/15_transforms_10_products")->Unit(benchmark::kMicrosecond);

}  // namespace
