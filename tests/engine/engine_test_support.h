// Helpers for the engine tests: a block of work frames with its context, test signals, a stage
// run over a stream cut into chunks, and an engine built once for the whole executable.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "engine/surround_engine.h"

namespace ambiora::engine_test {

// A block of `frames` silent work frames and a context pointing at it.
struct test_block {
    aligned_buffer work;
    block_context ctx;

    test_block(unsigned frames, std::int32_t sample_rate, std::int32_t mode = mode_asr) {
        work.resize_discarding(frames * frame_width);
        work.zero_used();
        ctx = {
            .mode = mode, .input_channels = 2, .sample_rate = sample_rate, .frame_count = frames};
        ctx.work = &work;
    }
    float& at(unsigned frame, unsigned slot) const { return work.data[frame * frame_width + slot]; }
    std::vector<float> channel(unsigned slot) const {
        std::vector<float> out(ctx.frame_count);
        for (unsigned k = 0; k < ctx.frame_count; ++k) out[k] = at(k, slot);
        return out;
    }
    void set_channel(unsigned slot, const std::vector<float>& samples) {
        for (unsigned k = 0; k < ctx.frame_count; ++k) at(k, slot) = samples[k];
    }
    std::vector<float> samples() const {
        return {work.data, work.data + ctx.frame_count * frame_width};
    }
};

inline std::vector<float> noise(unsigned n, unsigned seed, float amplitude = 1.0f) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-amplitude, amplitude);
    std::vector<float> out(n);
    for (float& s : out) s = dist(rng);
    return out;
}

// Noise of `amplitude` in every slot of `block` and every optional stage on: bass redirection, a
// surround delay and a centre width short of full, so that every memory a mode has is in use.
inline void fill_busy(test_block& block, unsigned seed, float amplitude = 0.5f) {
    for (unsigned slot = 0; slot < frame_width; ++slot)
        block.set_channel(slot, noise(block.ctx.frame_count, seed + slot, amplitude));
    block.ctx.bass_redirect_on = 1;
    block.ctx.bass_redirect_hz = 80;
    block.ctx.surround_delay_ms = 20;
    block.ctx.centre_width_pct = 40;
}

inline std::vector<float> sine(unsigned n, double hz, double fs, double amplitude = 1.0) {
    std::vector<float> out(n);
    for (unsigned k = 0; k < n; ++k)
        out[k] = float(amplitude * std::sin(2 * std::numbers::pi * hz * k / fs));
    return out;
}

// The complex response of `x`, over whole periods from frame `from` on, to a sine of `hz` that
// started at frame 0; its magnitude is the amplitude of the `hz` component.
inline std::complex<double> response_at(const std::vector<float>& x, double hz, double fs,
                                        unsigned from) {
    const unsigned end = from + unsigned(unsigned((x.size() - from) * hz / fs) * fs / hz);
    std::complex<double> sum = 0;
    for (unsigned k = from; k < end; ++k)
        sum += double(x[k]) * std::polar(1.0, -2 * std::numbers::pi * hz * k / fs);
    return std::complex<double>(0, 2) * sum / double(end - from);
}

inline double amplitude_at(const std::vector<float>& x, double hz, double fs, unsigned from) {
    return std::abs(response_at(x, hz, fs, from));
}

using stage = std::function<void(surround_engine&, block_context&)>;

// Runs `run` over `source` cut into chunks of `chunk` frames, each in a block of its own with the
// settings of `source` and after an empty block (which must change nothing), and returns what
// comes out of all of them, joined.
inline std::vector<float> run_in_chunks(surround_engine& engine, const test_block& source,
                                        unsigned chunk, const stage& run) {
    std::vector<float> out;
    for (unsigned start = 0; start < source.ctx.frame_count; start += chunk) {
        const unsigned count = std::min(chunk, source.ctx.frame_count - start);
        test_block part(count, source.ctx.sample_rate);
        std::copy_n(source.work.data + start * frame_width, count * frame_width, part.work.data);
        part.ctx = source.ctx;
        part.ctx.work = &part.work;
        part.ctx.frame_count = 0;
        run(engine, part.ctx);
        part.ctx.frame_count = count;
        run(engine, part.ctx);
        const std::vector<float> done = part.samples();
        out.insert(out.end(), done.begin(), done.end());
    }
    return out;
}

// One engine with its response spectra and transform plans, built on first use (planning takes a
// moment) and shared by every test that needs the headphone renderer; each resets it first.
inline surround_engine& built_engine() {
    static struct holder {
        surround_engine engine;
        holder() { build_engine(engine); }
        ~holder() { destroy_engine(engine); }
    } shared;
    return shared.engine;
}

}  // namespace ambiora::engine_test
