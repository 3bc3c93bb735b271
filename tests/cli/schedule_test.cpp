// `render --schedule`: settings changes and resets between chunks, and the chunk log that
// records every input chunk's outcome.
#include <tuple>

#include "cli_support.h"

namespace cli_test {
namespace {

class schedule_log : public cli_test {};

std::tuple<unsigned, unsigned, unsigned, unsigned> header(const logged_chunk& c) {
    return {c.keep, c.channels, c.frames, c.mask};
}

// Chunk `c` of the log equals frames from `offset` on of a plain render.
void expect_chunk_matches(const logged_chunk& c, const sound& plain, std::size_t offset) {
    ASSERT_EQ(c.channels, unsigned(plain.channels));
    for (std::size_t i = 0; i < c.samples.size(); ++i)
        ASSERT_NEAR(c.samples[i], plain.samples[offset * c.channels + i], 1e-6) << "sample " << i;
}

TEST_F(schedule_log, changes_and_resets_land_before_the_chunks_they_name) {
    sound input = stereo_programme(0.5, 48000);  // 24000 frames: 23 chunks of 1024 and a part
    write_sound(path("in.wav"), input);
    input.samples.erase(input.samples.begin(), input.samples.begin() + 8 * 1024 * 2);
    write_sound(path("rest.wav"), input);  // what a clean engine sees after the seek
    write_text(path("plan.txt"),
               "# the user moves the centre slider, seeks, then tries the headphone modes\n"
               "5   --centre-trim=6\n"
               "8   reset          # a seek\n"
               "10  mode=headphone surround-delay=10\n"
               "\n"
               "18  mode=Bypass\n"
               "40  mode=1         # never reached\n");
    std::vector<std::string> warnings;
    const chunk_log log = read_chunk_log(
        render_each(path("in.wav"), {{"--chunk", "1024", "--schedule", path("plan.txt")}},
                    &warnings, ".chunks")[0]);
    EXPECT_NE(warnings[0].find("chunk 40 and later were never reached"), std::string::npos)
        << warnings[0];
    const std::vector<std::string> plain = render_each(
        path("in.wav"), {{"--chunk", "1024"}, {"--chunk", "1024", "--centre-trim", "6"}});
    const sound from_start = read_sound(plain[0]), trimmed = read_sound(plain[1]);
    const sound after_seek = render(path("rest.wav"), {"--chunk", "1024", "--centre-trim", "6"});

    EXPECT_EQ(log.rate, 48000u);
    ASSERT_EQ(log.chunks.size(), 24u);
    for (std::size_t i = 0; i < 10; ++i) {
        SCOPED_TRACE("chunk " + std::to_string(i));
        const logged_chunk& c = log.chunks[i];
        EXPECT_EQ(header(c), std::make_tuple(1u, 6u, 1024u, 0x3fu));
        expect_chunk_matches(c,
                             i < 5   ? from_start
                             : i < 8 ? trimmed
                                     : after_seek,
                             i < 8 ? i * 1024 : (i - 8) * 1024);
    }
    // The headphone mode releases whole blocks of 8192 frames: seven chunks dropped, then one.
    for (std::size_t i = 10; i < 17; ++i)
        EXPECT_EQ(header(log.chunks[i]), std::make_tuple(0u, 0u, 0u, 0u)) << i;
    EXPECT_EQ(header(log.chunks[17]), std::make_tuple(1u, 2u, 8192u, 0x3u));
    EXPECT_GT(rms(log.chunks[17].samples), 1e-3);
    for (std::size_t i = 18; i < 24; ++i) {  // back in Bypass: stereo in, stereo out
        EXPECT_EQ(header(log.chunks[i]), std::make_tuple(1u, 2u, i < 23 ? 1024u : 448u, 0x3u));
    }
}

TEST_F(schedule_log, chunks_the_component_empties_are_kept_without_channels) {
    write_sound(path("three.wav"), multichannel_tones(3, 0.1));  // 4800 frames
    write_text(path("plan.txt"), "0 mode=0\n");
    const chunk_log log = read_chunk_log(
        render_each(path("three.wav"), {{"--schedule", path("plan.txt"), "--chunk", "2000"}},
                    nullptr, ".chunks")[0]);
    ASSERT_EQ(log.chunks.size(), 3u);
    for (const logged_chunk& c : log.chunks) EXPECT_EQ(header(c), std::make_tuple(1u, 0u, 0u, 0u));
}

}  // namespace
}  // namespace cli_test
