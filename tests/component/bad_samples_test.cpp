// Bad samples mid-stream: NaN, infinities and huge values may spoil the chunk they arrive in, but
// never the chunks after it, in any mode, layout or rate, and without a reset.
#include <limits>

#include "component_fixture.h"
#include "settings.h"

namespace ambiora_test {
namespace {

using ambiora::cfg_bass_enable;
using ambiora::cfg_mode;

constexpr unsigned chunk_frames = 2048;
constexpr unsigned warm_up_chunks = 3;
// Enough finite chunks after the bad one for the headphone modes to release two 8192-frame blocks.
constexpr unsigned chunks_after = 9;

const audio_sample bad_values[] = {
    std::numeric_limits<audio_sample>::quiet_NaN(),
    std::numeric_limits<audio_sample>::infinity(),
    -std::numeric_limits<audio_sample>::infinity(),
    audio_sample(1e30),
    audio_sample(-3e38),
    audio_sample(3.4e38),
};

// True when every sample of `chunks` is finite; counts the samples seen.
bool all_finite(const std::vector<host_sim::host_chunk>& chunks, std::size_t& seen) {
    for (const auto& chunk : chunks) {
        for (const audio_sample s : chunk.samples()) {
            if (!std::isfinite(s)) return false;
            ++seen;
        }
    }
    return true;
}

class bad_samples : public component_test {
  protected:
    // Warm-up, one chunk with a short burst of `bad` in every channel, then finite chunks that
    // must all come out finite.
    void expect_recovery(int mode, unsigned channels, unsigned rate, audio_sample bad) {
        SCOPED_TRACE(testing::Message() << "mode " << mode << ", " << channels << " ch, " << rate
                                        << " Hz, bad " << bad);
        cfg_mode = mode;
        instance->flush_dsp();
        for (unsigned k = 0; k < warm_up_chunks; ++k)
            run(make_samples(chunk_frames, channels, test_tone), channels, rate);
        auto spoilt = make_samples(chunk_frames, channels, test_tone);
        std::fill(spoilt.begin() + 700 * channels, spoilt.begin() + 705 * channels, bad);
        run(spoilt, channels, rate);

        std::size_t seen = 0;
        for (unsigned k = 0; k < chunks_after; ++k) {
            const auto out = run(make_samples(chunk_frames, channels, test_tone), channels, rate);
            ASSERT_TRUE(all_finite(out, seen)) << "chunk " << k << " after";
        }
        // Layouts with a mask must have produced sound, so the check was not vacuous.
        if (channels != 3 && channels < 7) {
            EXPECT_GT(seen, 0u);
        }
    }

    void SetUp() override {
        component_test::SetUp();
        cfg_bass_enable = 1;  // every filter memory in use
    }
};

TEST_F(bad_samples, output_is_finite_again_from_the_next_chunk_in_every_mode_layout_and_rate) {
    // NaN in every layout and at rates in and out of the headphone range; every kind of bad value
    // in stereo and 5.1 at the headphone rates.
    for (int mode = 0; mode <= 8; ++mode) {
        for (unsigned channels = 1; channels <= 8; ++channels) {
            for (const unsigned rate : {22050u, 44100u, 48000u, 96000u}) {
                const bool every_kind =
                    (channels == 2 || channels == 6) && (rate == 44100 || rate == 48000);
                for (const audio_sample bad : bad_values) {
                    expect_recovery(mode, channels, rate, bad);
                    if (!every_kind) break;
                }
            }
        }
    }
}

TEST_F(bad_samples, a_held_headphone_block_and_a_mode_switch_carry_nothing_over) {
    // The bad samples wait in the headphone feeds (no block completes), then the mode changes
    // to a decoder, then back: nothing of the burst may surface anywhere.
    const auto nan = std::numeric_limits<audio_sample>::quiet_NaN();
    auto spoilt = make_samples(1000, 2, test_tone);
    spoilt[10] = nan;
    cfg_mode = 5;
    run(make_samples(1000, 2, test_tone), 2, 44100);
    run(spoilt, 2, 44100);
    std::size_t seen = 0;
    for (int mode : {5, 3, 6, 8}) {
        cfg_mode = mode;
        for (unsigned k = 0; k < 5; ++k) {
            const unsigned channels = mode == 8 ? 6 : 2;
            ASSERT_TRUE(
                all_finite(run(make_samples(4096, channels, test_tone), channels, 48000), seen))
                << "mode " << mode << " chunk " << k;
        }
    }
    EXPECT_GT(seen, 0u);
}

}  // namespace
}  // namespace ambiora_test
