// `render --schedule`: settings changes and resets between chunks, and the chunk log that
// records every input chunk's outcome.
#include <cstring>
#include <tuple>

#include "cli_support.h"

namespace cli_test {
namespace {

struct logged_chunk {
    unsigned keep, channels, frames, mask;
    std::vector<float> samples;
    std::tuple<unsigned, unsigned, unsigned, unsigned> header() const {
        return {keep, channels, frames, mask};
    }
};

// A chunk log: "CHUNKS1\0", the rate and the chunk count, then per input chunk keep, channels,
// frames and mask and the interleaved samples, all little-endian like this machine.
std::vector<logged_chunk> read_chunk_log(const std::string& path, unsigned rate) {
    const std::vector<unsigned char> b = read_bytes(path);
    std::vector<logged_chunk> chunks;
    unsigned head[4];
    if (b.size() < 16 || std::memcmp(b.data(), "CHUNKS1\0", 8) != 0) return chunks;
    std::memcpy(head, b.data() + 8, 8);
    EXPECT_EQ(head[0], rate);
    std::size_t at = 16;
    for (unsigned i = 0, count = head[1]; i < count && at + 16 <= b.size(); ++i) {
        std::memcpy(head, b.data() + at, 16);
        logged_chunk c{head[0], head[1], head[2], head[3], std::vector<float>(head[1] * head[2])};
        if (at + 16 + c.samples.size() * 4 > b.size()) break;
        std::memcpy(c.samples.data(), b.data() + at + 16, c.samples.size() * 4);
        at += 16 + c.samples.size() * 4;
        chunks.push_back(std::move(c));
    }
    EXPECT_EQ(at, b.size()) << "the log's length does not match its chunks";
    return chunks;
}

class schedule_log : public cli_test {};

TEST_F(schedule_log, changes_and_resets_land_before_the_chunks_they_name) {
    sound input = tones(2, 0.5);  // 24000 frames: 23 chunks of 1024 and one of 448
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
    const std::vector<logged_chunk> log = read_chunk_log(
        render_each(path("in.wav"), {{"--chunk", "1024", "--schedule", path("plan.txt")}},
                    &warnings, ".chunks")[0],
        48000);
    EXPECT_NE(warnings[0].find("chunk 40 and later were never reached"), std::string::npos)
        << warnings[0];
    std::vector<sound> plain;  // from the start, with the trim, and from a clean engine at chunk 8
    for (const std::string& out : render_each(
             path("in.wav"), {{"--chunk", "1024"}, {"--chunk", "1024", "--centre-trim", "6"}}))
        plain.push_back(read_sound(out));
    plain.push_back(
        read_sound(render_each(path("rest.wav"), {{"--chunk", "1024", "--centre-trim", "6"}})[0]));

    ASSERT_EQ(log.size(), 24u);
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(log[i].header(), std::make_tuple(1u, 6u, 1024u, 0x3fu)) << i;
        const sound& like = plain[i < 5 ? 0 : i < 8 ? 1 : 2];
        const std::size_t first = (i < 8 ? i : i - 8) * 1024 * 6;
        for (std::size_t k = 0; k < log[i].samples.size(); ++k)
            ASSERT_NEAR(log[i].samples[k], like.samples[first + k], 1e-6) << i << " " << k;
    }
    // The headphone mode releases whole blocks of 8192 frames: seven chunks dropped, then one.
    for (std::size_t i = 10; i < 17; ++i)
        EXPECT_EQ(log[i].header(), std::make_tuple(0u, 0u, 0u, 0u));
    EXPECT_EQ(log[17].header(), std::make_tuple(1u, 2u, 8192u, 0x3u));
    EXPECT_GT(rms(log[17].samples), 1e-3);
    for (std::size_t i = 18; i < 24; ++i) {  // back in Bypass: stereo in, stereo out
        EXPECT_EQ(log[i].header(), std::make_tuple(1u, 2u, i < 23 ? 1024u : 448u, 0x3u));
    }
}

TEST_F(schedule_log, chunks_the_component_empties_are_kept_without_channels) {
    write_sound(path("three.wav"), tones(3, 0.1));  // 4800 frames
    write_text(path("plan.txt"), "0 mode=0\n");
    const std::vector<logged_chunk> log = read_chunk_log(
        render_each(path("three.wav"), {{"--schedule", path("plan.txt"), "--chunk", "2000"}},
                    nullptr, ".chunks")[0],
        48000);
    ASSERT_EQ(log.size(), 3u);
    for (const logged_chunk& c : log) EXPECT_EQ(c.header(), std::make_tuple(1u, 0u, 0u, 0u));
}

}  // namespace
}  // namespace cli_test
