// Bad samples mid-stream: NaN, infinities and huge values may spoil the chunk they arrive in, but
// never the chunks after it, in any mode, and without a reset. A filter memory that kept one
// would make every later sample of its channel NaN, which the last guard turns into silence: so
// every channel must sound again. (The fuzz targets try random layouts, rates and settings; the
// engine suite pins what each stage keeps.)
#include <limits>

#include "component_fixture.h"
#include "settings.h"

namespace ambiora_test {
namespace {

using ambiora::cfg_mode;
constexpr auto nan = std::numeric_limits<audio_sample>::quiet_NaN();

class bad_samples : public component_test {
  protected:
    // Runs nine clean chunks of 2048 frames at 48 kHz; true when the last chunk that came out is
    // finite and has sound in every channel.
    bool sounds_again(unsigned channels) {
        std::vector<audio_sample> last;
        unsigned width = 0;
        for (int k = 0; k < 9; ++k) {
            for (const auto& chunk :
                 run(make_samples(2048, channels, test_tone), channels, 48000)) {
                last = chunk.samples();
                width = chunk.get_channels();
            }
        }
        for (unsigned c = 0; c < width; ++c) {
            bool sounds = false;
            for (std::size_t i = c; i < last.size(); i += width) {
                if (!std::isfinite(last[i])) return false;
                sounds = sounds || last[i] != 0;
            }
            if (!sounds) return false;
        }
        return width > 0;
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
                EXPECT_TRUE(sounds_again(channels))
                    << "mode " << mode << ", " << channels << " ch, bad " << bad;
            }
        }
    }
}

TEST_F(bad_samples, a_held_headphone_block_and_a_mode_switch_carry_nothing_over) {
    // The bad samples wait in the headphone feeds (no block completes), then the mode changes
    // to a decoder, then back: nothing of the burst may surface anywhere.
    ambiora::cfg_bass_enable = 1;  // so that the LFE sounds too
    auto spoilt = make_samples(1000, 2, test_tone);
    spoilt[10] = nan;
    cfg_mode = 5;
    run(make_samples(1000, 2, test_tone), 2, 44100);
    run(spoilt, 2, 44100);
    for (const int mode : {5, 3, 6, 8}) {
        cfg_mode = mode;
        EXPECT_TRUE(sounds_again(mode == 8 ? 6 : 2)) << "mode " << mode;
    }
}

}  // namespace
}  // namespace ambiora_test
