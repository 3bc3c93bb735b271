// What `render` writes: the file format and channel mask, the length with and without the
// headphone tail, output that does not depend on how the input was cut into chunks, and a
// response file in place of the built-in set.
#include <sndfile.h>

#include <cstring>

#include "cli_support.h"

namespace cli_test {
namespace {

// The channel mask of a WAVE_FORMAT_EXTENSIBLE file, from the fmt chunk libsndfile writes first.
unsigned wave_mask(const std::string& path) {
    const std::vector<unsigned char> b = read_bytes(path);
    unsigned mask = 0;
    if (b.size() >= 44 && std::memcmp(b.data() + 8, "WAVEfmt ", 8) == 0)
        std::memcpy(&mask, b.data() + 40, 4);
    return mask;
}

class render_output : public cli_test {};

TEST_F(render_output, format_mask_and_length_follow_the_name_options_and_layout) {
    constexpr int wav = SF_FORMAT_WAVEX | SF_FORMAT_FLOAT;
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
        {2, {"--bass-enable", "1"}, ".wav", 6, wav, 0x3f, 0, -1, 0},
        // The steering smoothers round their feedback only between chunks.
        {2, {"--bass-enable", "1", "--chunk", "777"}, ".wav", 6, wav, 0x3f, 0, 0, 2e-5},
        {2,
         {"--bass-enable", "1", "--sample-format", "16"},
         ".wav",
         6,
         SF_FORMAT_WAVEX | SF_FORMAT_PCM_16,
         0x3f,
         0,
         0,
         1.0 / (1 << 14)},
        {2,
         {"--bass-enable", "1"},
         ".flac",
         6,
         SF_FORMAT_FLAC | SF_FORMAT_PCM_24,
         0,
         0,
         0,
         1.0 / (1 << 22)},
        {2, {"--mode", "1", "--bass-enable", "1"}, ".wav", 6, wav, 0x3f, 0, -1, 0},
        {2, {"--mode", "1", "--bass-enable", "1", "--chunk", "777"}, ".wav", 6, wav, 0x3f, 0, 4, 0},
        {1, {"--mode", "0"}, ".wav", 1, wav, 0x4, 0, -1, 0},
        {4, {"--mode", "0"}, ".wav", 4, wav, 0x33, 0, -1, 0},
        {5, {"--mode", "0"}, ".wav", 5, wav, 0x3b, 0, -1, 0},
        {6, {"--mode", "8"}, ".wav", 2, wav, 0x3, 0, -1, 0},
        {6, {"--mode", "8", "--chunk", "777"}, ".wav", 2, wav, 0x3, 0, 9, 0},
        // A headphone render is as long as its input, unless asked for the whole blocks alone.
        // Separate runs may plan their transforms differently, so allow for rounding.
        {6, {"--mode", "5", "--chunk", "1000"}, ".wav", 2, wav, 0x3, 0, -1, 0},
        {6, {"--mode", "5", "--chunk", "1000", "--no-tail"}, ".wav", 2, wav, 0x3, 8192, 11, 1e-5},
        // The headphone modes leave the surround trim alone.
        {6, {"--mode", "5", "--surround-trim", "-12"}, ".wav", 2, wav, 0x3, 0, 11, 1e-5},
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
        const sound s = read_sound(calls[i][2]);
        EXPECT_EQ(s.channels, row.channels);
        EXPECT_EQ(s.format, row.format);
        EXPECT_EQ(row.mask != 0 ? wave_mask(calls[i][2]) : 0u, row.mask);
        EXPECT_EQ(s.frames(), row.frames != 0 ? row.frames : tones(row.in_channels).frames());
        if (row.like < 0) continue;
        const sound like = read_sound(calls[row.like][2]);
        ASSERT_LE(s.samples.size(), like.samples.size());
        for (std::size_t k = 0; k < s.samples.size(); ++k)
            ASSERT_NEAR(s.samples[k], like.samples[k], row.tolerance) << "sample " << k;
    }
}

TEST_F(render_output, a_response_file_replaces_the_built_in_set) {
    // Tables are numbered 10 x bank + 2 x speaker + ear (0 left). Here the first bank sounds only
    // in the right ear and the second only in the left, so each headphone mode shows its bank.
    std::vector<float> tables(20 * 8192, 0.0f);
    for (int t = 0; t < 20; ++t) tables[std::size_t(t) * 8192] = (t < 10) == (t % 2 == 1);
    std::vector<unsigned char> file(tables.size() * 4);
    std::memcpy(file.data(), tables.data(), file.size());
    write_bytes(path("banks.f32"), file);
    write_sound(path("in.wav"), tones(2));
    const std::vector<std::string> outs =
        render_each(path("in.wav"), {{"--mode", "5", "--hrir", path("banks.f32")},
                                     {"--mode", "6", "--hrir", path("banks.f32")}});
    const sound room = read_sound(outs[0]), movie = read_sound(outs[1]);
    EXPECT_EQ(rms(room.samples, 2, 0), 0.0);
    EXPECT_GT(rms(room.samples, 2, 1), 1e-3);
    EXPECT_GT(rms(movie.samples, 2, 0), 1e-3);
    EXPECT_EQ(rms(movie.samples, 2, 1), 0.0);
}

}  // namespace
}  // namespace cli_test
