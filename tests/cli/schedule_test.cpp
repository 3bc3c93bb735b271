// `render --schedule`: settings changes and resets between chunks, and the chunk log that
// records every input chunk's outcome.
#include <cmath>

#include "cli_support.h"

namespace cli_test {
namespace {

enum { out_l, out_r, out_c, out_lfe, out_sl, out_sr };

class schedule_log : public cli_test {
  protected:
    void SetUp() override {
        cli_test::SetUp();
        input_ = stereo_programme(0.5, 48000);  // 24000 frames
        write_sound(path("in.wav"), input_);
    }

    // The chunk log of a render with `options`.
    chunk_log render_log(const std::string& in, const std::vector<std::string>& options,
                         std::string* error = nullptr) {
        return read_chunk_log(render_file(in, options, error, ".chunks"));
    }

    sound input_;
};

// Frame `frame` of chunk `c` of the log against frame `offset + frame` of a plain render.
void expect_chunk_matches(const logged_chunk& c, const sound& plain, std::size_t offset,
                          double centre_factor = 1.0) {
    ASSERT_EQ(c.channels, unsigned(plain.channels));
    for (std::size_t f = 0; f < c.frames; ++f) {
        for (int ch = 0; ch < plain.channels; ++ch) {
            const double expected = plain.at(offset + f, ch) * (ch == out_c ? centre_factor : 1.0);
            ASSERT_NEAR(c.samples[f * c.channels + std::size_t(ch)], expected,
                        1e-6 + 2e-6 * std::fabs(expected))
                << "frame " << offset + f << " channel " << ch;
        }
    }
}

TEST_F(schedule_log, changes_and_resets_land_before_the_chunks_they_name) {
    write_text(path("plan.txt"),
               "# the user moves the centre slider, seeks, then tries the headphone modes\n"
               "5   --centre-trim=6\n"
               "8   reset          # a seek\n"
               "10  mode=headphone surround-delay=10\n"
               "\n"
               "18  mode=Bypass\n"
               "40  mode=1         # never reached\n");
    std::string warnings;
    const chunk_log log =
        render_log(path("in.wav"), {"--chunk", "1024", "--schedule", path("plan.txt")}, &warnings);
    EXPECT_NE(warnings.find("chunk 40 and later were never reached"), std::string::npos)
        << warnings;

    // What the engine would give from the start, and from a clean engine at chunk 8 onwards.
    const sound plain = render(path("in.wav"), {"--chunk", "1024", "--quiet"});
    sound rest = input_;
    rest.samples.erase(rest.samples.begin(), rest.samples.begin() + 8 * 1024 * 2);
    write_sound(path("rest.wav"), rest);
    const sound after_seek = render(path("rest.wav"), {"--chunk", "1024", "--centre-trim", "6"});

    EXPECT_EQ(log.rate, 48000u);
    ASSERT_EQ(log.chunks.size(), 24u);  // 23 whole chunks and one of 448 frames
    const double plus_6db = std::pow(10.0, 6 * double(0.05f));
    for (std::size_t i = 0; i < 10; ++i) {
        SCOPED_TRACE("chunk " + std::to_string(i));
        const logged_chunk& c = log.chunks[i];
        ASSERT_EQ(c.keep, 1u);
        EXPECT_EQ(c.frames, 1024u);
        EXPECT_EQ(c.mask, 0x3fu);
        if (i < 5) expect_chunk_matches(c, plain, i * 1024);  // exactly a plain render
        if (i >= 5 && i < 8) expect_chunk_matches(c, plain, i * 1024, plus_6db);
        if (i >= 8) expect_chunk_matches(c, after_seek, (i - 8) * 1024);
    }
    // The headphone mode releases whole blocks of 8192 frames: seven chunks dropped, then one.
    for (std::size_t i = 10; i < 17; ++i) {
        const logged_chunk& c = log.chunks[i];
        EXPECT_EQ(c.keep, 0u) << i;
        EXPECT_EQ(c.channels + c.frames + c.mask, 0u) << i;
    }
    EXPECT_EQ(log.chunks[17].keep, 1u);
    EXPECT_EQ(log.chunks[17].channels, 2u);
    EXPECT_EQ(log.chunks[17].frames, 8192u);
    EXPECT_EQ(log.chunks[17].mask, 0x3u);
    EXPECT_GT(rms(log.chunks[17].samples), 1e-3);
    // Back in Bypass: stereo in, stereo out.
    for (std::size_t i = 18; i < 24; ++i) {
        EXPECT_EQ(log.chunks[i].keep, 1u) << i;
        EXPECT_EQ(log.chunks[i].channels, 2u) << i;
        EXPECT_EQ(log.chunks[i].mask, 0x3u) << i;
    }
    EXPECT_GE(log.chunks[23].frames, 448u);
}

TEST_F(schedule_log, chunks_the_component_empties_are_kept_without_channels) {
    write_sound(path("three.wav"), multichannel_tones(3, 0.1));  // 4800 frames
    write_text(path("plan.txt"), "0 mode=0\n");
    const chunk_log log =
        render_log(path("three.wav"), {"--schedule", path("plan.txt"), "--chunk", "2000"});
    ASSERT_EQ(log.chunks.size(), 3u);
    for (const logged_chunk& c : log.chunks) {
        EXPECT_EQ(c.keep, 1u);
        EXPECT_EQ(c.channels + c.frames + c.mask, 0u);
    }
}

}  // namespace
}  // namespace cli_test
