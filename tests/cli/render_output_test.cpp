// What `render` writes: the file format and channel mask, the length with and without the
// headphone tail, output that does not depend on how the input was cut into chunks, and a
// response file in place of the built-in set.
#include <sndfile.h>

#include <cmath>
#include <cstring>

#include "cli_support.h"

namespace cli_test {
namespace {

// The WAVE_FORMAT_EXTENSIBLE fields of the fmt chunk, which libsndfile writes first.
struct wave_format {
    unsigned tag, channels, bits, valid_bits, mask, subformat;  // subformat: 1 PCM, 3 float
};
wave_format read_wave_format(const std::string& path) {
    const std::vector<unsigned char> b = read_bytes(path);
    EXPECT_GE(b.size(), 46u);
    EXPECT_EQ(std::memcmp(b.data() + 8, "WAVEfmt ", 8), 0) << path;
    if (b.size() < 46) return {};
    auto u16 = [&](std::size_t at) { return unsigned(b[at]) | unsigned(b[at + 1]) << 8; };
    return {u16(20), u16(22), u16(34), u16(38), u16(40) | u16(42) << 16, u16(44)};
}

class render_output : public cli_test {};

TEST_F(render_output, wav_is_extensible_float_with_the_mask_of_the_output_layout) {
    const struct {
        int channels;
        const char* mode;
        unsigned out_channels, mask;
    } cases[] = {{2, "4", 6, 0x3f},
                 {1, "0", 1, 0x4},
                 {4, "0", 4, 0x33},
                 {5, "0", 5, 0x3b},
                 {6, "7", 2, 0x3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels in mode " + c.mode);
        const std::string in = path("in" + std::to_string(c.channels) + ".wav");
        write_sound(in, multichannel_tones(c.channels));
        const std::string out = render_each(in, {{"--mode", c.mode}}).at(0);
        const wave_format f = read_wave_format(out);
        EXPECT_EQ(f.tag, 0xfffeu);
        EXPECT_EQ(f.channels, c.out_channels);
        EXPECT_EQ(f.bits, 32u);
        EXPECT_EQ(f.valid_bits, 32u);
        EXPECT_EQ(f.subformat, 3u);
        EXPECT_EQ(f.mask, c.mask);
        EXPECT_EQ(read_sound(out).frames(), multichannel_tones(c.channels).frames());
    }
}

TEST_F(render_output, flac_and_integer_wav_come_from_the_name_or_the_option) {
    write_sound(path("in.flac"), stereo_programme(), SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    const sound reference = render(path("in.flac"), {});
    const sound flac = read_sound(render_each(path("in.flac"), {{}}, nullptr, ".flac").at(0));
    const std::string out16 = render_each(path("in.flac"), {{"--sample-format", "16"}}).at(0);
    const sound pcm16 = read_sound(out16);
    EXPECT_EQ(flac.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    EXPECT_EQ(pcm16.format, SF_FORMAT_WAVEX | SF_FORMAT_PCM_16);
    EXPECT_EQ(read_wave_format(out16).mask, 0x3fu);
    EXPECT_EQ(read_wave_format(out16).subformat, 1u);
    ASSERT_EQ(flac.samples.size(), reference.samples.size());
    ASSERT_EQ(pcm16.samples.size(), reference.samples.size());
    for (std::size_t i = 0; i < reference.samples.size(); ++i) {
        ASSERT_NEAR(flac.samples[i], reference.samples[i], 1.0 / (1 << 22)) << i;
        ASSERT_NEAR(pcm16.samples[i], reference.samples[i], 1.0 / (1 << 14)) << i;
    }
}

TEST_F(render_output, chunk_size_does_not_change_the_output) {
    write_sound(path("stereo.wav"), stereo_programme());
    write_sound(path("surround.wav"), multichannel_tones(6, 0.5));
    const struct {
        const char *input, *mode;
        double tolerance;  // the steering smoothers round their feedback only between chunks
    } cases[] = {{"stereo.wav", "1", 0.0}, {"stereo.wav", "4", 2e-5}, {"surround.wav", "8", 0.0}};
    for (const auto& c : cases) {
        const std::vector<std::string> outs = render_each(
            path(c.input), {{"--mode", c.mode, "--chunk", "4096", "--bass-enable", "1"},
                            {"--mode", c.mode, "--chunk", "777", "--bass-enable", "1"}});
        const sound a = read_sound(outs[0]), b = read_sound(outs[1]);
        ASSERT_EQ(a.samples.size(), b.samples.size());
        for (std::size_t k = 0; k < a.samples.size(); ++k)
            ASSERT_NEAR(a.samples[k], b.samples[k], c.tolerance) << c.mode << " " << k;
    }
}

TEST_F(render_output, headphone_renders_keep_the_input_length_unless_asked_for_whole_blocks) {
    const sound input = stereo_programme(0.5, 44100);  // 22050 frames: two blocks and a part
    write_sound(path("in.wav"), input);
    const std::vector<std::string> outs = render_each(
        path("in.wav"),
        {{"--mode", "5", "--chunk", "1000"}, {"--mode", "5", "--chunk", "1000", "--no-tail"}});
    const sound full = read_sound(outs[0]), blocks = read_sound(outs[1]);
    EXPECT_EQ(full.frames(), input.frames());
    EXPECT_EQ(blocks.frames(), 2u * 8192u);
    ASSERT_LE(blocks.samples.size(), full.samples.size());
    // Separate runs may plan their transforms differently, so allow for rounding.
    for (std::size_t i = 0; i < blocks.samples.size(); ++i)
        ASSERT_NEAR(blocks.samples[i], full.samples[i], 1e-5) << i;
    EXPECT_GT(rms(full.channel(0)), 1e-3);
}

TEST_F(render_output, a_response_file_replaces_the_built_in_set) {
    // Tables are numbered 10 x bank + 2 x speaker + ear (0 left). Here the first bank sounds only
    // in the right ear and the second only in the left, so each headphone mode shows its bank.
    std::vector<float> tables(20 * 8192, 0.0f);
    for (int t = 0; t < 20; ++t) tables[std::size_t(t) * 8192] = (t < 10) == (t % 2 == 1);
    std::vector<unsigned char> file(tables.size() * 4);
    std::memcpy(file.data(), tables.data(), file.size());
    write_bytes(path("banks.f32"), file);
    write_sound(path("in.wav"), stereo_programme());
    const std::vector<std::string> outs =
        render_each(path("in.wav"), {{"--mode", "5", "--hrir", path("banks.f32")},
                                     {"--mode", "6", "--hrir", path("banks.f32")}});
    const sound room = read_sound(outs[0]), movie = read_sound(outs[1]);
    EXPECT_EQ(rms(room.channel(0)), 0.0);
    EXPECT_GT(rms(room.channel(1)), 1e-3);
    EXPECT_GT(rms(movie.channel(0)), 1e-3);
    EXPECT_EQ(rms(movie.channel(1)), 0.0);
}

}  // namespace
}  // namespace cli_test
