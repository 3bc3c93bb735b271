// Chunks through a DSP instance: layout, masks, levels and the chunks that are dropped or emptied.
#include "component_fixture.h"
#include "engine/surround_engine.h"
#include "runtime_state.h"
#include "settings.h"

namespace ambiora_test {
namespace {

using ambiora::cfg_mode;

class chunk_path : public component_test {};

TEST_F(chunk_path, each_mode_and_layout_comes_out_in_its_layout_and_the_pass_through_at_minus_3db) {
    const double minus_3db = std::pow(10.0, -3.0 * double(0.05f));
    constexpr unsigned pass = 0, empty = 1, processed = 2;
    const struct {
        int mode;
        unsigned channels, rate, frames, kind, out_channels, mask;
    } cases[] = {
        // Bypass keeps every layout the host has a mask for, at -3 dB and the master gain.
        {0, 1, 8000, 300, pass, 1, 0x4},
        {0, 2, 44100, 300, pass, 2, 0x3},
        {0, 4, 96000, 300, pass, 4, 0x33},
        {0, 5, 44100, 300, pass, 5, 0x3b},
        {0, 6, 44100, 300, pass, 6, 0x3f},
        // So does every source a mode does not serve, and every mode outside the table.
        {1, 6, 44100, 128, pass, 6, 0x3f},
        {4, 5, 44100, 128, pass, 5, 0x3b},
        {2, 4, 44100, 128, pass, 4, 0x33},
        {7, 2, 44100, 128, pass, 2, 0x3},
        {8, 2, 44100, 128, pass, 2, 0x3},
        {5, 1, 44100, 128, pass, 1, 0x4},
        {9, 2, 44100, 128, pass, 2, 0x3},
        {-1, 6, 44100, 128, pass, 6, 0x3f},
        // Three, seven or eight channels come back as empty chunks that stay in the list.
        {0, 3, 44100, 64, empty, 0, 0},
        {4, 7, 44100, 64, empty, 0, 0},
        {5, 8, 44100, 64, empty, 0, 0},
        {7, 3, 44100, 64, empty, 0, 0},
        // Decoders give 5.1, encoders and the headphone modes stereo.
        {1, 2, 44100, 512, processed, 6, 0x3f},
        {3, 2, 44100, 512, processed, 6, 0x3f},
        {4, 2, 44100, 512, processed, 6, 0x3f},
        {7, 4, 32000, 256, processed, 2, 0x3},
        {7, 6, 32000, 256, processed, 2, 0x3},
        {8, 5, 32000, 256, processed, 2, 0x3},
        {5, 2, 44100, 8192, processed, 2, 0x3},
        {6, 2, 46000, 8192, processed, 2, 0x3},
        {6, 6, 48000, 8192, processed, 2, 0x3},
    };
    for (const auto& c : cases) {
        for (const int gain_db : {0, -12}) {
            if (gain_db != 0 && c.kind != pass) continue;
            SCOPED_TRACE(testing::Message()
                         << "mode " << c.mode << ", " << c.channels << " ch, " << gain_db << " dB");
            cfg_mode = c.mode;
            ambiora::setting("master-gain") = gain_db;
            instance->flush_dsp();
            const auto in = make_samples(c.frames, c.channels, test_tone);
            const auto out = run(in, c.channels, c.rate);
            ASSERT_EQ(out.size(), 1u);
            EXPECT_EQ(out[0].get_channels(), c.out_channels);
            EXPECT_EQ(out[0].get_channel_config(), c.mask);
            EXPECT_EQ(out[0].get_sample_count(), c.kind == empty ? 0 : c.frames);
            EXPECT_EQ(out[0].get_srate(), c.rate);
            if (c.kind != pass) continue;
            const double gain = minus_3db * std::pow(10.0, gain_db * double(0.05f));
            const auto s = out[0].samples();
            for (std::size_t i = 0; i < in.size(); ++i) ASSERT_NEAR(s[i], in[i] * gain, 1e-6) << i;
        }
    }
}

TEST_F(chunk_path, four_and_five_channel_sources_reach_the_speakers_their_layouts_name) {
    // Rendered for headphones, an impulse comes out as the two responses of the speaker it
    // reached: tables 2s (left ear) and 2s + 1 (right ear) for s = L, R, C, SL, SR = 0 to 4.
    const struct {
        unsigned channels, channel, speaker;
    } cases[] = {{4, 0, 0}, {4, 1, 1}, {4, 2, 3}, {4, 3, 4}, {5, 0, 0},
                 {5, 1, 1}, {5, 2, 2}, {5, 3, 3}, {5, 4, 4}};
    const float* tables = ambiora::builtin_hrir_tables();
    cfg_mode = 5;
    for (const auto& c : cases) {
        instance->flush_dsp();
        const auto in = make_samples(8192, c.channels, [&](unsigned f, unsigned ch) {
            return audio_sample(f == 0 && ch == c.channel ? 1 : 0);
        });
        const auto s = run(in, c.channels, 44100).at(0).samples();
        for (unsigned m = 0; m < 512; ++m) {
            for (unsigned ear = 0; ear < 2; ++ear) {
                ASSERT_NEAR(s[2 * m + ear], 0.708 * tables[(2 * c.speaker + ear) * 8192 + m], 1e-5)
                    << c.channels << " channels, channel " << c.channel << ", frame " << m;
            }
        }
    }
}

TEST_F(chunk_path, chunks_without_channels_rate_or_frames_are_removed_unseen) {
    std::vector<host_sim::host_chunk> chunks;
    chunks.emplace_back(std::vector<audio_sample>{}, 2, 44100);
    chunks.emplace_back(std::vector<audio_sample>(8, 0.5f), 2, 0);
    chunks.emplace_back(std::vector<audio_sample>(8, 0.5f), 0, 44100);
    chunks.emplace_back(std::vector<audio_sample>(8, 0.5f), 2, 44100);
    cfg_mode = 0;
    auto out = host_sim::run_chunks(*instance, std::move(chunks));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].get_sample_count(), 4u);
    // The unseen chunks never touched the shared values: the last one seen is the good chunk.
    EXPECT_EQ(ambiora::last_input_rate.load(), 44100u);
}

TEST_F(chunk_path, headphone_modes_leave_other_rates_untouched) {
    ambiora::setting("master-gain") = -6;
    for (const int mode : {5, 6}) {
        cfg_mode = mode;
        for (const unsigned rate : {32000u, 44099u, 48001u, 96000u}) {
            const auto in = make_samples(100, 6, test_tone);
            EXPECT_EQ(run(in, 6, rate).at(0).samples(), in) << "mode " << mode << ", " << rate;
        }
    }
}

// Leaving a headphone mode pays the held frames back as silence at the end of the next chunk; a
// seek or a stop drops them first.
TEST_F(chunk_path, held_headphone_frames_come_back_as_silence_unless_a_reset_drops_them) {
    for (int reset = 0; reset < 3; ++reset) {  // none, a seek, a stop
        cfg_mode = 5;
        instance->flush_dsp();
        EXPECT_TRUE(run(make_samples(5000, 2, test_tone), 2, 44100).empty());
        if (reset != 0) {
            reset == 1 ? host().playback_seek(1.0) : host().playback_stop();
            // The held frames are gone: the next 5000 complete no block.
            EXPECT_TRUE(run(make_samples(5000, 2, test_tone), 2, 44100).empty()) << reset;
        }
        cfg_mode = 0;
        const auto s = run(make_samples(100, 2, test_tone), 2, 44100).at(0).samples();
        ASSERT_EQ(s.size(), 2u * 5100u) << reset;
        for (std::size_t i = 200; i < s.size(); ++i) ASSERT_EQ(s[i], 0.0f);
        // Nothing is owed any more.
        EXPECT_EQ(run(make_samples(10, 2, test_tone), 2, 44100).at(0).get_sample_count(), 10u);
    }
}

TEST_F(chunk_path, the_shared_values_follow_chunks_and_clear_on_flush_stop_and_seek) {
    cfg_mode = 0;
    for (int clear = 0; clear < 3; ++clear) {
        run(make_samples(10, 4, test_tone), 4, 48000);
        EXPECT_EQ(ambiora::last_input_channels.load(), 4u);
        EXPECT_EQ(ambiora::last_input_rate.load(), 48000u);
        if (clear == 0) instance->flush_dsp();
        if (clear == 1) host().playback_seek(12.0);
        if (clear == 2) host().playback_stop();
        EXPECT_EQ(ambiora::last_input_channels.load(), 0u) << clear;
        EXPECT_EQ(ambiora::last_input_rate.load(), 0u) << clear;
    }
}

TEST_F(chunk_path, instances_share_one_engine) {
    cfg_mode = 5;
    service_ptr_t<dsp> other = host().instantiate_default();
    EXPECT_TRUE(run(make_samples(4096, 2, test_tone), 2, 44100).empty());
    auto out = host_sim::run_chunk(*other, make_samples(4096, 2, test_tone), 2, 44100);
    ASSERT_EQ(out.size(), 1u) << "the second instance completes the block the first began";
    EXPECT_EQ(out[0].get_sample_count(), 8192u);
}

}  // namespace
}  // namespace ambiora_test
