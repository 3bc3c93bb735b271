// What `render` writes: the file format and channel mask, the length, and output that does not
// depend on how the input was cut into chunks.
#include <sndfile.h>

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

class render_output : public cli_test {
  protected:
    void render_ok(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "render");
        const run_result r = run_ambiora(arguments);
        ASSERT_EQ(r.exit_code, 0) << r.err;
        EXPECT_EQ(r.out, "");
    }
};

TEST_F(render_output, wav_is_extensible_float_with_the_mask_of_the_output_layout) {
    const struct {
        int channels;
        const char* mode;
        unsigned out_channels, mask;
    } cases[] = {{2, "4", 6, 0x3f}, {2, "5", 2, 0x3},  {1, "0", 1, 0x4},
                 {4, "0", 4, 0x33}, {5, "0", 5, 0x3b}, {6, "7", 2, 0x3}};
    for (const auto& c : cases) {
        const std::string in = path("in" + std::to_string(c.channels) + ".wav");
        write_sound(in, multichannel_tones(c.channels));
        const std::string out = path("out.wav");
        render_ok({in, out, "--mode", c.mode});
        const wave_format f = read_wave_format(out);
        SCOPED_TRACE(std::to_string(c.channels) + " channels in mode " + c.mode);
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
    render_ok({path("in.flac"), path("out.wav")});
    render_ok({path("in.flac"), path("out.flac"), "--quiet"});
    render_ok({path("in.flac"), path("out16.wav"), "--sample-format", "16", "--quiet"});

    const sound reference = read_sound(path("out.wav"));
    const sound flac = read_sound(path("out.flac"));
    EXPECT_EQ(flac.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    const sound pcm16 = read_sound(path("out16.wav"));
    EXPECT_EQ(pcm16.format, SF_FORMAT_WAVEX | SF_FORMAT_PCM_16);
    const wave_format f = read_wave_format(path("out16.wav"));
    EXPECT_EQ(f.mask, 0x3fu);
    EXPECT_EQ(f.subformat, 1u);
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
        const char* mode;
    } cases[] = {{"stereo.wav", "1"}, {"stereo.wav", "2"},   {"stereo.wav", "3"},
                 {"stereo.wav", "4"}, {"surround.wav", "7"}, {"surround.wav", "8"}};
    std::vector<std::vector<std::string>> calls;
    for (const auto& c : cases) {
        for (const char* chunk : {"4096", "777"}) {
            calls.push_back({"render", path(c.input),
                             path(std::string(c.mode) + "-" + chunk + ".wav"), "--mode", c.mode,
                             "--chunk", chunk, "--bass-enable", "1"});
        }
    }
    for (const run_result& r : run_ambiora_each(calls)) ASSERT_EQ(r.exit_code, 0) << r.err;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.input) + " in mode " + c.mode);
        const sound whole = read_sound(path(std::string(c.mode) + "-4096.wav"));
        const sound cut = read_sound(path(std::string(c.mode) + "-777.wav"));
        ASSERT_EQ(whole.samples.size(), cut.samples.size());
        for (std::size_t i = 0; i < whole.samples.size(); ++i) {
            ASSERT_EQ(whole.samples[i], cut.samples[i]) << "sample " << i;
        }
    }
}

TEST_F(render_output, headphone_renders_keep_the_input_length_unless_asked_for_whole_blocks) {
    const sound input = stereo_programme(0.5, 44100);  // 22050 frames: two blocks and a part
    write_sound(path("in.wav"), input);
    render_ok({path("in.wav"), path("full.wav"), "--mode", "5", "--chunk", "1000"});
    render_ok({path("in.wav"), path("blocks.wav"), "--mode", "5", "--chunk", "1000", "--no-tail"});
    const sound full = read_sound(path("full.wav"));
    const sound blocks = read_sound(path("blocks.wav"));
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
