// What `render` writes: the file format and channel mask, the length, and output that does not
// depend on how the input was cut into chunks.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "cli_support.h"

namespace cli_test {
namespace {

struct wave_format {
    unsigned tag = 0, channels = 0, bits = 0, valid_bits = 0, mask = 0, subformat = 0;
};

unsigned u16_at(const std::vector<unsigned char>& b, std::size_t at) {
    return unsigned(b[at]) | unsigned(b[at + 1]) << 8;
}
unsigned u32_at(const std::vector<unsigned char>& b, std::size_t at) {
    return u16_at(b, at) | u16_at(b, at + 2) << 16;
}

// The fmt chunk of a RIFF WAVE file, read from the bytes.
wave_format read_wave_format(const std::string& path) {
    const std::vector<unsigned char> b = read_bytes(path);
    wave_format f;
    EXPECT_GE(b.size(), 12u);
    EXPECT_EQ(std::memcmp(b.data(), "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(b.data() + 8, "WAVE", 4), 0);
    for (std::size_t at = 12; at + 8 <= b.size(); at += 8 + u32_at(b, at + 4)) {
        if (std::memcmp(b.data() + at, "fmt ", 4) != 0) continue;
        const std::size_t fmt = at + 8;
        f.tag = u16_at(b, fmt);
        f.channels = u16_at(b, fmt + 2);
        f.bits = u16_at(b, fmt + 14);
        if (f.tag == 0xfffe && u16_at(b, fmt + 16) >= 22) {
            f.valid_bits = u16_at(b, fmt + 18);
            f.mask = u32_at(b, fmt + 20);
            f.subformat = u16_at(b, fmt + 24);  // 1 PCM, 3 IEEE float
        }
        break;
    }
    return f;
}

class render_output : public cli_test {};

TEST_F(render_output, wav_is_extensible_float_with_the_mask_of_the_output_layout) {
    const struct {
        int channels;
        const char* mode;
        unsigned out_channels, mask;
    } cases[] = {{2, "4", 6, 0x3f}, {2, "5", 2, 0x3},  {1, "0", 1, 0x4},
                 {4, "0", 4, 0x33}, {5, "0", 5, 0x3b}, {6, "7", 2, 0x3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels in mode " + c.mode);
        const std::string in = path("in" + std::to_string(c.channels) + ".wav");
        write_sound(in, multichannel_tones(c.channels));
        const std::string out = render_file(in, {"--mode", c.mode});
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
    const sound flac = read_sound(render_file(path("in.flac"), {"--quiet"}, nullptr, ".flac"));
    const std::string out16 = render_file(path("in.flac"), {"--sample-format", "16"});
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

TEST_F(render_output, chunk_size_does_not_change_matrix_mode_output) {
    write_sound(path("stereo.wav"), stereo_programme());
    write_sound(path("surround.wav"), multichannel_tones(6, 0.5));
    const struct {
        const char* input;
        std::vector<const char*> modes;
    } sources[] = {{"stereo.wav", {"1", "2", "3", "4"}}, {"surround.wav", {"7", "8"}}};
    for (const auto& source : sources) {
        std::vector<std::vector<std::string>> option_lists;
        for (const char* mode : source.modes) {
            for (const char* chunk : {"4096", "777"})
                option_lists.push_back({"--mode", mode, "--chunk", chunk, "--bass-enable", "1"});
        }
        const std::vector<std::string> outs = render_each(path(source.input), option_lists);
        for (std::size_t i = 0; i < outs.size(); i += 2) {
            const std::string mode = source.modes[i / 2];
            const auto a = read_sound(outs[i]).samples, b = read_sound(outs[i + 1]).samples;
            ASSERT_EQ(a.size(), b.size());
            // The steering smoothers round their feedback only between chunks (a few parts in a
            // million); everything else comes out the same bit for bit.
            const bool steered = mode == "2" || mode == "3" || mode == "4";
            double worst = 0.0;
            for (std::size_t k = 0; k < a.size(); ++k)
                worst = std::max(worst, double(std::fabs(a[k] - b[k])));
            EXPECT_LE(worst, steered ? 2e-5 : 0.0) << source.input << " in mode " << mode;
        }
    }
}

TEST_F(render_output, headphone_renders_keep_the_input_length_unless_asked_for_whole_blocks) {
    const sound input = stereo_programme(0.5, 44100);  // 22050 frames: two blocks and a part
    write_sound(path("in.wav"), input);
    const std::vector<std::string> outs = render_each(
        path("in.wav"),
        {{"--mode", "5", "--chunk", "1000"}, {"--mode", "5", "--chunk", "1000", "--no-tail"}});
    const sound full = read_sound(outs[0]);
    const sound blocks = read_sound(outs[1]);
    EXPECT_EQ(full.frames(), input.frames());
    EXPECT_EQ(blocks.frames(), 2u * 8192u);
    ASSERT_LE(blocks.samples.size(), full.samples.size());
    // Separate runs may plan their transforms differently, so allow for rounding.
    for (std::size_t i = 0; i < blocks.samples.size(); ++i) {
        ASSERT_NEAR(blocks.samples[i], full.samples[i], 1e-5) << i;
    }
    EXPECT_GT(rms(full.channel(0)), 1e-3);
}

}  // namespace
}  // namespace cli_test
