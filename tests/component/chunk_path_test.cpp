// Chunks through a DSP instance: layout, masks, levels and the chunks that are dropped or emptied.
#include "component_fixture.h"
#include "runtime_state.h"
#include "settings.h"

namespace ambiora_test {
namespace {

using ambiora::cfg_master_gain;
using ambiora::cfg_mode;

const double minus_3db = std::pow(10.0, -3.0 * double(0.05f));

void expect_scaled_copy(const std::vector<audio_sample>& in, const std::vector<audio_sample>& out,
                        double gain) {
    ASSERT_EQ(in.size(), out.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        ASSERT_NEAR(out[i], in[i] * gain, 1e-6) << "sample " << i;
    }
}

class chunk_path : public component_test {};

TEST_F(chunk_path, pass_through_keeps_layout_and_applies_minus_3db_and_the_master_gain) {
    struct layout {
        unsigned channels, mask;
    };
    for (const layout l : {layout{1, 0x4}, layout{2, 0x3}, layout{4, 0x33}, layout{5, 0x3b},
                           layout{6, 0x3f}}) {
        for (const int gain_db : {0, -12}) {
            cfg_mode = 0;
            cfg_master_gain = gain_db;
            for (const unsigned rate : {8000u, 44100u, 96000u}) {
                const auto in = make_samples(300, l.channels, test_tone);
                auto out = run(in, l.channels, rate);
                ASSERT_EQ(out.size(), 1u);
                EXPECT_EQ(out[0].get_channels(), l.channels);
                EXPECT_EQ(out[0].get_channel_config(), l.mask);
                EXPECT_EQ(out[0].get_srate(), rate);
                EXPECT_EQ(out[0].get_sample_count(), 300u);
                const double g = minus_3db * std::pow(10.0, gain_db * double(0.05f));
                expect_scaled_copy(in, out[0].samples(), g);
            }
        }
    }
}

TEST_F(chunk_path, combinations_no_stage_serves_take_the_pass_through) {
    struct combination {
        int mode;
        unsigned channels;
    };
    // Decoders with a multichannel source, encoders with stereo, any mode with mono, and mode
    // values outside the list.
    for (const combination c : {combination{1, 6}, combination{4, 5}, combination{2, 4},
                                combination{7, 2}, combination{8, 2}, combination{5, 1},
                                combination{7, 1}, combination{9, 2}, combination{-1, 6},
                                combination{1000, 4}}) {
        cfg_mode = c.mode;
        const auto in = make_samples(128, c.channels, test_tone);
        auto out = run(in, c.channels, 44100);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].get_channels(), c.channels) << "mode " << c.mode;
        expect_scaled_copy(in, out[0].samples(), minus_3db);
    }
}

TEST_F(chunk_path, five_channel_pass_through_keeps_its_input_order) {
    cfg_mode = 0;
    const auto in = make_samples(4, 5, [](unsigned, unsigned c) { return audio_sample(c + 1); });
    auto out = run(in, 5, 48000);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].get_channel_config(), 0x3bu);
    expect_scaled_copy(in, out[0].samples(), minus_3db);
}

TEST_F(chunk_path, three_seven_and_eight_channels_come_out_as_empty_chunks_that_stay) {
    for (const unsigned channels : {3u, 7u, 8u}) {
        for (const int mode : {0, 4, 5, 7}) {
            cfg_mode = mode;
            auto out = run(make_samples(64, channels, test_tone), channels, 44100);
            ASSERT_EQ(out.size(), 1u) << channels << " channels, mode " << mode;
            EXPECT_EQ(out[0].get_channels(), 0u);
            EXPECT_EQ(out[0].get_channel_config(), 0u);
            EXPECT_EQ(out[0].get_sample_count(), 0u);
            EXPECT_EQ(out[0].get_srate(), 44100u);
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

TEST_F(chunk_path, a_stereo_chunk_in_a_decoder_mode_becomes_5_1) {
    for (const int mode : {1, 2, 3, 4}) {
        cfg_mode = mode;
        auto out = run(make_samples(512, 2, test_tone), 2, 44100);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].get_channels(), 6u) << "mode " << mode;
        EXPECT_EQ(out[0].get_channel_config(), 0x3fu);
        EXPECT_EQ(out[0].get_sample_count(), 512u);
    }
}

TEST_F(chunk_path, the_encoders_fold_multichannel_to_stereo) {
    for (const int mode : {7, 8}) {
        for (const unsigned channels : {4u, 5u, 6u}) {
            cfg_mode = mode;
            auto out = run(make_samples(256, channels, test_tone), channels, 32000);
            ASSERT_EQ(out.size(), 1u);
            EXPECT_EQ(out[0].get_channels(), 2u);
            EXPECT_EQ(out[0].get_channel_config(), 0x3u);
        }
    }
}

TEST_F(chunk_path, headphone_modes_release_audio_in_whole_blocks) {
    cfg_mode = 5;
    const auto in = make_samples(4096, 2, test_tone);
    EXPECT_TRUE(run(in, 2, 44100).empty()) << "the first half block is held back";
    auto out = run(in, 2, 44100);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].get_sample_count(), 8192u);
    EXPECT_EQ(out[0].get_channels(), 2u);
    EXPECT_EQ(out[0].get_channel_config(), 0x3u);
    EXPECT_EQ(instance->report_latency(), 0.0);
}

TEST_F(chunk_path, headphone_modes_leave_unsupported_rates_untouched) {
    for (const int mode : {5, 6}) {
        cfg_mode = mode;
        cfg_master_gain = -6;
        for (const unsigned rate : {32000u, 44099u, 48001u, 96000u}) {
            const auto in = make_samples(100, 6, test_tone);
            auto out = run(in, 6, rate);
            ASSERT_EQ(out.size(), 1u);
            EXPECT_EQ(out[0].get_channels(), 6u);
            EXPECT_EQ(out[0].samples(), in) << "rate " << rate;
        }
    }
}

TEST_F(chunk_path, a_headphone_mode_serves_any_rate_between_44_1_and_48_khz) {
    cfg_mode = 6;
    auto out = run(make_samples(8192, 2, test_tone), 2, 46000);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].get_channels(), 2u);
    EXPECT_EQ(out[0].get_srate(), 46000u);
}

TEST_F(chunk_path, leaving_a_headphone_mode_pays_back_the_held_frames_as_silence) {
    cfg_mode = 5;
    EXPECT_TRUE(run(make_samples(5000, 2, test_tone), 2, 44100).empty());
    cfg_mode = 0;
    const auto in = make_samples(100, 2, test_tone);
    auto out = run(in, 2, 44100);
    ASSERT_EQ(out.size(), 1u);
    ASSERT_EQ(out[0].get_sample_count(), 5100u);
    const auto s = out[0].samples();
    for (std::size_t i = 200; i < s.size(); ++i) ASSERT_EQ(s[i], 0.0f);
    // Nothing is owed any more.
    EXPECT_EQ(run(in, 2, 44100).at(0).get_sample_count(), 100u);
}

TEST_F(chunk_path, the_shared_values_follow_chunks_and_clear_on_flush_stop_and_seek) {
    cfg_mode = 0;
    run(make_samples(10, 4, test_tone), 4, 48000);
    EXPECT_EQ(ambiora::last_input_channels.load(), 4u);
    EXPECT_EQ(ambiora::last_input_rate.load(), 48000u);
    instance->flush_dsp();
    EXPECT_EQ(ambiora::last_input_channels.load(), 0u);
    EXPECT_EQ(ambiora::last_input_rate.load(), 0u);

    run(make_samples(10, 2, test_tone), 2, 44100);
    host().playback_seek(12.0);
    EXPECT_EQ(ambiora::last_input_channels.load(), 0u);
    run(make_samples(10, 2, test_tone), 2, 44100);
    host().playback_stop();
    EXPECT_EQ(ambiora::last_input_rate.load(), 0u);
}

TEST_F(chunk_path, a_reset_drops_held_headphone_frames) {
    cfg_mode = 5;
    EXPECT_TRUE(run(make_samples(5000, 2, test_tone), 2, 44100).empty());
    host().playback_seek(1.0);
    // After the reset a full block is needed again, and leaving owes no silence.
    EXPECT_TRUE(run(make_samples(5000, 2, test_tone), 2, 44100).empty());
    instance->flush_dsp();
    cfg_mode = 0;
    EXPECT_EQ(run(make_samples(10, 2, test_tone), 2, 44100).at(0).get_sample_count(), 10u);
}

TEST_F(chunk_path, a_settings_change_takes_effect_at_the_next_chunk) {
    cfg_mode = 0;
    const auto in = make_samples(50, 2, test_tone);
    auto before = run(in, 2, 44100).at(0).samples();
    cfg_master_gain = -12;
    auto after = run(in, 2, 44100).at(0).samples();
    expect_scaled_copy(before, after, std::pow(10.0, -12 * double(0.05f)));
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
