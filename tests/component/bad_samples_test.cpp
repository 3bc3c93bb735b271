// Bad samples mid-stream: NaN, infinities and huge values may spoil the chunk they arrive in, but
// never the chunks after it, in any mode, and without a reset. (The fuzz targets try the same with
// random layouts, rates and settings; the engine suite pins what each stage keeps.)
#include <limits>

#include "component_fixture.h"
#include "settings.h"

namespace ambiora_test {
namespace {

using ambiora::cfg_mode;
constexpr auto nan = std::numeric_limits<audio_sample>::quiet_NaN();

class bad_samples : public component_test {
  protected:
    // `chunks` chunks of `frames` frames at 48 kHz; true when every sample that came out is
    // finite and some came out.
    bool all_finite_after(unsigned chunks, unsigned frames, unsigned channels) {
        std::size_t seen = 0;
        for (unsigned k = 0; k < chunks; ++k) {
            for (const auto& chunk :
                 run(make_samples(frames, channels, test_tone), channels, 48000)) {
                for (const audio_sample s : chunk.samples()) {
                    if (!std::isfinite(s)) return false;
                    ++seen;
                }
            }
        }
        return seen > 0;
    }
};

TEST_F(bad_samples, a_burst_spoils_at_most_its_own_chunk_in_every_mode) {
    ambiora::cfg_bass_enable = 1;  // every filter memory in use
    const audio_sample bad_values[] = {nan, std::numeric_limits<audio_sample>::infinity(),
                                       audio_sample(-3e38), audio_sample(1e30)};
    for (int mode = 0; mode <= 8; ++mode) {
        for (const unsigned channels : {2u, 6u}) {
            for (const audio_sample bad : bad_values) {
                cfg_mode = mode;
                instance->flush_dsp();
                auto spoilt = make_samples(2048, channels, test_tone);
                std::fill(spoilt.begin() + 700 * channels, spoilt.begin() + 705 * channels, bad);
                run(make_samples(2048, channels, test_tone), channels, 48000);
                run(spoilt, channels, 48000);
                EXPECT_TRUE(all_finite_after(9, 2048, channels))
                    << "mode " << mode << ", " << channels << " ch, bad " << bad;
            }
        }
    }
}

TEST_F(bad_samples, a_held_headphone_block_and_a_mode_switch_carry_nothing_over) {
    // The bad samples wait in the headphone feeds (no block completes), then the mode changes
    // to a decoder, then back: nothing of the burst may surface anywhere.
    auto spoilt = make_samples(1000, 2, test_tone);
    spoilt[10] = nan;
    cfg_mode = 5;
    run(make_samples(1000, 2, test_tone), 2, 44100);
    run(spoilt, 2, 44100);
    for (const int mode : {5, 3, 6, 8}) {
        cfg_mode = mode;
        EXPECT_TRUE(all_finite_after(5, 4096, mode == 8 ? 6 : 2)) << "mode " << mode;
    }
}

}  // namespace
}  // namespace ambiora_test
