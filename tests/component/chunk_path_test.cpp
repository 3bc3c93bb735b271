// Chunks through a DSP instance: layout, masks, levels and the chunks that are dropped or emptied.
#include "component_fixture.h"
#include "engine/surround_engine.h"
#include "runtime_state.h"
#include "settings.h"

namespace ambiora_test {
namespace {

using ambiora::cfg_mode;

const double minus_3db = std::pow(10.0, -3.0 * double(0.05f));

void expect_scaled_copy(const std::vector<audio_sample>& in, const std::vector<audio_sample>& out,
                        double gain) {
    ASSERT_EQ(in.size(), out.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        ASSERT_NEAR(out[i], in[i] * gain, 1e-6) << "sample " << i;
    }
}

// Exactly one chunk came out, with this layout.
void expect_one_chunk(const std::vector<host_sim::host_chunk>& out, unsigned channels,
                      unsigned mask, unsigned frames) {
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].get_channels(), channels);
    EXPECT_EQ(out[0].get_channel_config(), mask);
    EXPECT_EQ(out[0].get_sample_count(), frames);
}

class chunk_path : public component_test {};

TEST_F(chunk_path, pass_through_keeps_layout_and_applies_minus_3db_and_the_master_gain) {
    // The gain changes between chunks of one instance, so this also shows that a setting takes
    // effect at the next chunk.
    for (const auto& [channels, mask] :
         {std::pair{1u, 0x4u}, {2u, 0x3u}, {4u, 0x33u}, {5u, 0x3bu}, {6u, 0x3fu}}) {
        for (const int gain_db : {0, -12}) {
            cfg_mode = 0;
            ambiora::setting("master-gain") = gain_db;
            for (const unsigned rate : {8000u, 44100u, 96000u}) {
                const auto in = make_samples(300, channels, test_tone);
                auto out = run(in, channels, rate);
                expect_one_chunk(out, channels, mask, 300);
                EXPECT_EQ(out[0].get_srate(), rate);
                expect_scaled_copy(in, out[0].samples(),
                                   minus_3db * std::pow(10.0, gain_db * double(0.05f)));
            }
        }
    }
}

TEST_F(chunk_path, combinations_no_stage_serves_take_the_pass_through) {
    // Decoders with a multichannel source, encoders with stereo, any mode with mono, and mode
    // values outside the list.
    for (const auto& [mode, channels] : {std::pair{1, 6u},
                                         {4, 5u},
                                         {2, 4u},
                                         {7, 2u},
                                         {8, 2u},
                                         {5, 1u},
                                         {7, 1u},
                                         {9, 2u},
                                         {-1, 6u},
                                         {1000, 4u}}) {
        cfg_mode = mode;
        const auto in = make_samples(128, channels, test_tone);
        auto out = run(in, channels, 44100);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].get_channels(), channels) << "mode " << mode;
        expect_scaled_copy(in, out[0].samples(), minus_3db);
    }
}

TEST_F(chunk_path, decoders_give_5_1_and_encoders_and_headphone_modes_stereo) {
    const struct {
        int mode;
        unsigned channels, rate, frames, out_channels, mask;
    } cases[] = {
        {1, 2, 44100, 512, 6, 0x3f}, {2, 2, 44100, 512, 6, 0x3f}, {3, 2, 44100, 512, 6, 0x3f},
        {4, 2, 44100, 512, 6, 0x3f}, {7, 4, 32000, 256, 2, 0x3},  {7, 5, 32000, 256, 2, 0x3},
        {7, 6, 32000, 256, 2, 0x3},  {8, 4, 32000, 256, 2, 0x3},  {8, 5, 32000, 256, 2, 0x3},
        {8, 6, 32000, 256, 2, 0x3},  {5, 2, 44100, 8192, 2, 0x3}, {6, 2, 46000, 8192, 2, 0x3},
        {6, 6, 48000, 8192, 2, 0x3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", " << c.channels << " ch");
        cfg_mode = c.mode;
        instance->flush_dsp();
        auto out = run(make_samples(c.frames, c.channels, test_tone), c.channels, c.rate);
        expect_one_chunk(out, c.out_channels, c.mask, c.frames);
        EXPECT_EQ(out[0].get_srate(), c.rate);
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
        const auto out = run(in, c.channels, 44100);
        ASSERT_EQ(out.size(), 1u);
        const auto s = out[0].samples();
        for (unsigned m = 0; m < 512; ++m) {
            for (unsigned ear = 0; ear < 2; ++ear) {
                ASSERT_NEAR(s[2 * m + ear], 0.708 * tables[(2 * c.speaker + ear) * 8192 + m], 1e-5)
                    << c.channels << " channels, channel " << c.channel << ", frame " << m;
            }
        }
    }
}

TEST_F(chunk_path, three_seven_and_eight_channels_come_out_as_empty_chunks_that_stay) {
    for (const unsigned channels : {3u, 7u, 8u}) {
        for (const int mode : {0, 4, 5, 7}) {
            cfg_mode = mode;
            auto out = run(make_samples(64, channels, test_tone), channels, 44100);
            SCOPED_TRACE(testing::Message() << channels << " channels, mode " << mode);
            expect_one_chunk(out, 0, 0, 0);
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

TEST_F(chunk_path, headphone_modes_hold_back_part_blocks_and_leave_other_rates_untouched) {
    cfg_mode = 5;
    const auto half = make_samples(4096, 2, test_tone);
    EXPECT_TRUE(run(half, 2, 44100).empty()) << "the first half block is held back";
    expect_one_chunk(run(half, 2, 44100), 2, 0x3, 8192);
    EXPECT_EQ(instance->report_latency(), 0.0);

    ambiora::setting("master-gain") = -6;
    for (const int mode : {5, 6}) {
        cfg_mode = mode;
        for (const unsigned rate : {32000u, 44099u, 48001u, 96000u}) {
            const auto in = make_samples(100, 6, test_tone);
            auto out = run(in, 6, rate);
            ASSERT_EQ(out.size(), 1u);
            EXPECT_EQ(out[0].samples(), in) << "mode " << mode << ", rate " << rate;
        }
    }
}

TEST_F(chunk_path, leaving_a_headphone_mode_pays_back_the_held_frames_as_silence) {
    cfg_mode = 5;
    EXPECT_TRUE(run(make_samples(5000, 2, test_tone), 2, 44100).empty());
    cfg_mode = 0;
    const auto in = make_samples(100, 2, test_tone);
    auto out = run(in, 2, 44100);
    expect_one_chunk(out, 2, 0x3, 5100);
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

TEST_F(chunk_path, a_seek_or_a_stop_drops_held_headphone_frames) {
    for (const bool stop : {false, true}) {
        cfg_mode = 5;
        EXPECT_TRUE(run(make_samples(5000, 2, test_tone), 2, 44100).empty());
        if (stop)
            host().playback_stop();
        else
            host().playback_seek(1.0);
        // After the reset a full block is needed again, and leaving owes no silence.
        EXPECT_TRUE(run(make_samples(5000, 2, test_tone), 2, 44100).empty()) << "stop " << stop;
        instance->flush_dsp();
        cfg_mode = 0;
        EXPECT_EQ(run(make_samples(10, 2, test_tone), 2, 44100).at(0).get_sample_count(), 10u);
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
