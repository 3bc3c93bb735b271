// What `render` writes: the file format and channel mask, the length with and without the
// headphone tail, output that does not depend on how the input was cut into chunks, what a
// response file changes, and with --schedule, settings changes and resets between chunks in a
// chunk log that records every input chunk's outcome.
#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <tuple>

#include "cli_support.h"

namespace cli_test {
namespace {

struct logged_chunk {
    std::tuple<unsigned, unsigned, unsigned, unsigned> header;  // keep, channels, frames, mask
    std::vector<float> samples;                                 // interleaved
};

// A chunk log of `count` chunks at 48 kHz: "CHUNKS1\0", the rate and the count, then per input
// chunk its header and samples, all little-endian like this machine.
std::vector<logged_chunk> read_chunk_log(const std::string& path, char count) {
    const std::string b = read_file(path);
    EXPECT_EQ(b.substr(0, 16),
              std::string("CHUNKS1\0\x80\xbb\0\0", 12) + count + std::string(3, 0));
    std::vector<logged_chunk> log;
    for (std::size_t at = 16; at + 16 <= b.size(); at += 16 + log.back().samples.size() * 4) {
        unsigned h[4];
        std::memcpy(h, b.data() + at, 16);
        std::vector<float> samples(std::min<std::size_t>(h[1] * h[2], (b.size() - at - 16) / 4));
        if (!samples.empty()) std::memcpy(samples.data(), &b[at + 16], samples.size() * 4);
        log.push_back({{h[0], h[1], h[2], h[3]}, std::move(samples)});
    }
    EXPECT_EQ(log.size(), std::size_t(count));
    return log;
}

class render_output : public cli_test {};

TEST_F(render_output, format_mask_and_length_follow_the_name_options_and_layout) {
    constexpr int wav = SF_FORMAT_WAVEX | SF_FORMAT_FLOAT,
                  pcm16 = SF_FORMAT_WAVEX | SF_FORMAT_PCM_16,
                  flac = SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
    const struct {
        int in_channels;
        std::vector<std::string> options;
        const char* extension;
        int channels, format;
        unsigned mask;
        std::size_t frames;  // 0: as many as the input
        int like;            // the row whose samples these must match, within `tolerance`
        double tolerance;
    } rows[] = {
        {2, {}, ".wav", 6, wav, 0x3f, 0, -1, 0},
        // The steering smoothers round their feedback only between chunks.
        {2, {"--chunk", "777"}, ".wav", 6, wav, 0x3f, 0, 0, 2e-5},
        {2, {"--sample-format", "16"}, ".wav", 6, pcm16, 0x3f, 0, 0, 1.0 / (1 << 14)},
        {2, {}, ".flac", 6, flac, 0, 0, 0, 1.0 / (1 << 22)},
        {1, {"--mode", "0"}, ".wav", 1, wav, 0x4, 0, -1, 0},
        {4, {"--mode", "0"}, ".wav", 4, wav, 0x33, 0, -1, 0},
        {5, {"--mode", "0"}, ".wav", 5, wav, 0x3b, 0, -1, 0},
        {6, {"--mode", "8"}, ".wav", 2, wav, 0x3, 0, -1, 0},
        {6, {"--mode", "8", "--chunk", "777"}, ".wav", 2, wav, 0x3, 0, 7, 0},
        // A headphone render is as long as its input, unless asked for the whole blocks alone.
        // Separate runs may plan their transforms differently, so allow for rounding.
        {6, {"--mode", "5", "--chunk", "1000"}, ".wav", 2, wav, 0x3, 0, -1, 0},
        {6, {"--mode", "5", "--chunk", "1000", "--no-tail"}, ".wav", 2, wav, 0x3, 8192, 9, 1e-5},
    };
    std::vector<std::vector<std::string>> calls;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const std::string in = path("in" + std::to_string(rows[i].in_channels) + ".wav");
        write_sound(in, tones(rows[i].in_channels));
        calls.push_back({"render", in, path("out" + std::to_string(i) + rows[i].extension)});
        calls.back().insert(calls.back().end(), rows[i].options.begin(), rows[i].options.end());
    }
    const std::vector<run_result> results = run_ambiora_each(calls);
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto& row = rows[i];
        SCOPED_TRACE(testing::PrintToString(calls[i]));
        ASSERT_EQ(results[i].exit_code, 0) << results[i].err;
        // The headphone modes serve 48 kHz: no warning that they cannot act.
        if (std::count(row.options.begin(), row.options.end(), "5") != 0) {
            EXPECT_FALSE(contains(results[i].err, "warning")) << results[i].err;
        }
        const sound s = read_sound(calls[i][2]);
        // The channel mask of WAVE_FORMAT_EXTENSIBLE, in the fmt chunk libsndfile writes first.
        const std::string bytes = read_file(calls[i][2]);
        unsigned mask = 0;
        if (row.mask != 0 && bytes.compare(8, 8, "WAVEfmt ") == 0)
            std::memcpy(&mask, &bytes[40], 4);
        EXPECT_EQ(std::make_tuple(s.channels, s.format, mask, s.frames()),
                  std::make_tuple(row.channels, row.format, row.mask,
                                  row.frames != 0 ? row.frames : tones(row.in_channels).frames()));
        if (row.like < 0) continue;
        const sound like = read_sound(calls[row.like][2]);
        ASSERT_LE(s.samples.size(), like.samples.size());
        for (std::size_t k = 0; k < s.samples.size(); ++k)
            ASSERT_NEAR(s.samples[k], like.samples[k], row.tolerance) << "sample " << k;
    }
}

// 16-bit input is converted by the renderer itself: it must read exactly as libsndfile reads it,
// extremes and a tail of frames that fills no vector included.
TEST_F(render_output, sixteen_bit_input_reads_as_libsndfile_reads_it) {
    std::vector<short> pcm(2 * 1001);
    for (std::size_t i = 0; i < pcm.size(); ++i) pcm[i] = short(int(i * 7919 % 65536) - 32768);
    pcm[0] = -32768;
    pcm[1] = 32767;
    SF_INFO info{0, 48000, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
    SNDFILE* f = sf_open(path("in16.wav").c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    sf_writef_short(f, pcm.data(), 1001);
    sf_close(f);
    write_sound(path("in32.wav"), read_sound(path("in16.wav")));
    const std::vector<run_result> results =
        run_ambiora_each({{"render", path("in16.wav"), path("out16.wav"), "--mode", "0"},
                          {"render", path("in32.wav"), path("out32.wav"), "--mode", "0"}});
    for (const run_result& r : results) ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(read_sound(path("out16.wav")).samples, read_sound(path("out32.wav")).samples);
}

TEST_F(render_output, a_response_file_replaces_the_built_in_set) {
    // Tables are numbered 10 x bank + 2 x speaker + ear (0 left). Here the first bank sounds only
    // in the right ear and the second only in the left, so each headphone mode shows its bank.
    std::vector<float> tables(20 * 8192, 0.0f);
    for (int t = 0; t < 20; ++t) tables[std::size_t(t) * 8192] = (t < 10) == (t % 2 == 1);
    write_file(path("banks.f32"),
               std::string(reinterpret_cast<char*>(tables.data()), 20 * 8192 * 4));
    write_sound(path("in.wav"), tones(2));
    const std::vector<sound> heard =
        render_each(path("in.wav"), {{"--mode", "5", "--hrir", path("banks.f32")},
                                     {"--mode", "6", "--hrir", path("banks.f32")}});
    for (std::size_t m = 0; m < 2; ++m) {  // mode 5 silent on the left, mode 6 on the right
        EXPECT_EQ(rms(heard[m].samples, 2, m), 0.0) << m;
        EXPECT_GT(rms(heard[m].samples, 2, 1 - m), 1e-3) << m;
    }
}

TEST_F(render_output, schedule_changes_and_resets_land_before_the_chunks_they_name) {
    sound input = tones(2, 0.5);  // 24000 frames: 23 chunks of 1024 and one of 448
    write_sound(path("in.wav"), input);
    input.samples.erase(input.samples.begin(), input.samples.begin() + 8 * 1024 * 2);
    write_sound(path("rest.wav"), input);  // what a clean engine sees after the seek
    write_file(path("plan.txt"),
               "# the user moves the centre slider, seeks, then tries the headphone modes\n"
               "5   --centre-trim=6\n"
               "8   reset          # a seek\n"
               "10  mode=headphone surround-delay=10\n"
               "\n"
               "18  mode=Bypass\n"
               "40  mode=1         # never reached\n");
    const run_result r = run_ambiora({"render", path("in.wav"), path("log.chunks"), "--chunk",
                                      "1024", "--schedule", path("plan.txt")});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_TRUE(contains(r.err, "chunk 40 and later were never reached"));
    EXPECT_TRUE(contains(r.err, "from chunk 18, Bypass: No audio processing")) << r.err;
    const std::vector<logged_chunk> log = read_chunk_log(path("log.chunks"), 24);
    // From the start, with the trim, and from a clean engine at chunk 8.
    std::vector<sound> plain = render_each(
        path("in.wav"), {{"--chunk", "1024"}, {"--chunk", "1024", "--centre-trim", "6"}});
    plain.push_back(render_each(path("rest.wav"), {{"--chunk", "1024", "--centre-trim", "6"}})[0]);

    ASSERT_EQ(log.size(), 24u);
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(log[i].header, std::make_tuple(1u, 6u, 1024u, 0x3fu)) << i;
        const sound& like = plain[i < 5 ? 0 : i < 8 ? 1 : 2];
        const std::size_t first = (i < 8 ? i : i - 8) * 1024 * 6;
        for (std::size_t k = 0; k < log[i].samples.size(); ++k)
            ASSERT_NEAR(log[i].samples[k], like.samples[first + k], 1e-6) << i << " " << k;
    }
    // The headphone mode releases whole blocks of 8192 frames: seven chunks dropped, then one.
    for (std::size_t i = 10; i < 17; ++i) EXPECT_EQ(log[i].header, std::make_tuple(0u, 0u, 0u, 0u));
    EXPECT_EQ(log[17].header, std::make_tuple(1u, 2u, 8192u, 0x3u));
    EXPECT_GT(rms(log[17].samples), 1e-3);
    EXPECT_EQ(log[18].header, std::make_tuple(1u, 2u, 1024u, 0x3u));  // back in Bypass
    EXPECT_EQ(log[23].header, std::make_tuple(1u, 2u, 448u, 0x3u));
}

}  // namespace
}  // namespace cli_test
