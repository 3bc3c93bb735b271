// Helpers for the engine tests: a block of work_frames with its context, signals, and a built
// engine.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "engine/surround_engine.h"

namespace ambiora::matrix_test {

// A block of `frames` work_frames (all zero) and a context pointing at it.
struct test_block {
    aligned_buffer work;
    block_context ctx;

    test_block(std::uint32_t frames, std::int32_t sample_rate, std::int32_t mode = mode_asr) {
        work.resize_discarding(frames * frame_width);
        if (frames != 0) std::memset(work.data, 0, sizeof(float) * frames * frame_width);
        ctx.mode = mode;
        ctx.sample_rate = sample_rate;
        ctx.input_channels = 2;
        ctx.frame_count = frames;
        ctx.work = &work;
    }

    float& at(std::uint32_t frame, std::uint32_t slot) {
        return work.data[frame * frame_width + slot];
    }
    float* data() { return work.data; }
    std::uint32_t frames() const { return ctx.frame_count; }

    std::vector<float> channel(std::uint32_t slot) const {
        std::vector<float> out(ctx.frame_count);
        for (std::uint32_t k = 0; k < ctx.frame_count; ++k)
            out[k] = work.data[k * frame_width + slot];
        return out;
    }
    void set_channel(std::uint32_t slot, const std::vector<float>& samples) {
        for (std::uint32_t k = 0; k < ctx.frame_count; ++k)
            work.data[k * frame_width + slot] = samples[k];
    }
};

inline std::vector<float> noise(std::uint32_t n, std::uint32_t seed, float amplitude = 1.0f) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-amplitude, amplitude);
    std::vector<float> out(n);
    for (auto& s : out) s = dist(rng);
    return out;
}

inline std::vector<float> sine(std::uint32_t n, double hz, double fs, double amplitude = 1.0) {
    std::vector<float> out(n);
    for (std::uint32_t k = 0; k < n; ++k)
        out[k] = float(amplitude * std::sin(2.0 * std::numbers::pi * hz * k / fs));
    return out;
}

// Full-scale square wave, `period` frames long, starting at +1 (or -1 when `inverted`).
inline std::vector<float> square(std::uint32_t n, std::uint32_t period, bool inverted = false) {
    std::vector<float> out(n);
    for (std::uint32_t k = 0; k < n; ++k) {
        const bool high = (k % period) < (period + 1) / 2;
        out[k] = (high != inverted) ? 1.0f : -1.0f;
    }
    return out;
}

// Amplitude of the `hz` component of samples [from, end), by correlation over whole periods.
inline double amplitude_at(const std::vector<float>& x, double hz, double fs, std::uint32_t from) {
    const double period = fs / hz;
    const std::uint32_t periods = std::uint32_t((x.size() - from) / period);
    const std::uint32_t end = from + std::uint32_t(periods * period);
    double re = 0, im = 0;
    for (std::uint32_t k = from; k < end; ++k) {
        const double phase = 2.0 * std::numbers::pi * hz * k / fs;
        re += x[k] * std::cos(phase);
        im += x[k] * std::sin(phase);
    }
    return 2.0 * std::hypot(re, im) / (end - from);
}

// Runs `stage` over `whole` (already filled) in chunks of `chunk` frames: each chunk is copied into
// its own block sharing the settings of `whole.ctx`, processed, and copied back.
inline void run_in_chunks(test_block& whole, std::uint32_t chunk,
                          const std::function<void(block_context&)>& stage) {
    for (std::uint32_t start = 0; start < whole.frames(); start += chunk) {
        const std::uint32_t count = std::min(chunk, whole.frames() - start);
        test_block part(count, whole.ctx.sample_rate, whole.ctx.mode);
        part.ctx = whole.ctx;
        part.ctx.work = &part.work;
        part.ctx.frame_count = count;
        std::memcpy(part.data(), whole.data() + start * frame_width,
                    sizeof(float) * count * frame_width);
        stage(part.ctx);
        std::memcpy(whole.data() + start * frame_width, part.data(),
                    sizeof(float) * count * frame_width);
    }
}

inline bool same_bits(const float* a, const float* b, std::size_t n) {
    return std::memcmp(a, b, n * sizeof(float)) == 0;
}

// Runs `stage(state, ctx)` over copies of `source`, each with a fresh `State`: in one block and in
// chunks of 1, 7 and 4096 frames. Every run must give the same bits, or, with a `tolerance`,
// samples within that distance of the whole block's.
template <typename State, typename Stage>
void expect_chunk_size_invariant(const test_block& source, Stage stage, float tolerance = 0.0f) {
    const std::size_t floats = std::size_t(source.frames()) * frame_width;
    std::vector<float> first;
    for (const std::uint32_t chunk : {source.frames(), 1u, 7u, 4096u}) {
        SCOPED_TRACE(chunk);
        test_block copy(source.frames(), source.ctx.sample_rate, source.ctx.mode);
        copy.ctx = source.ctx;
        copy.ctx.work = &copy.work;
        std::memcpy(copy.data(), source.work.data, floats * sizeof(float));
        State state;
        run_in_chunks(copy, chunk, [&](block_context& ctx) { stage(state, ctx); });
        if (first.empty()) {
            first.assign(copy.data(), copy.data() + floats);
        } else if (tolerance == 0.0f) {
            EXPECT_TRUE(same_bits(copy.data(), first.data(), floats));
        } else {
            float worst = 0.0f;
            for (std::size_t i = 0; i < floats; ++i)
                worst = std::max(worst, std::fabs(copy.data()[i] - first[i]));
            EXPECT_LE(worst, tolerance);
        }
    }
}

// A test that starts from a clean, built engine. Planning with FFTW_MEASURE takes a moment, so
// each test suite builds one engine and shares it.
class built_engine_test : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        engine_ = new surround_engine;
        build_engine(*engine_);
    }
    static void TearDownTestSuite() {
        destroy_engine(*engine_);
        delete engine_;
        engine_ = nullptr;
    }
    void SetUp() override { reset_engine(*engine_); }
    static inline surround_engine* engine_ = nullptr;
};

}  // namespace ambiora::matrix_test
