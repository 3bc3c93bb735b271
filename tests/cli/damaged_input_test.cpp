// Inputs that once rendered to a silently wrong file with exit status 0: an MP3 whose length the
// decoder under-estimates, a mode that cannot act on the input, NaN and infinities, a file cut
// short. Each must render in full, or say what happened, in one warning.
#include "cli_support.h"

namespace cli_test {
namespace {

// An MP3 of `s` as a VBR encoder without a Xing header writes it: libsndfile's encoder puts the
// header in a frame of its own at the start, which goes. A decoder then estimates the length
// from the first audio frame's bit rate.
void write_mp3_without_xing(const std::string& path, const sound& s) {
    SF_INFO info{0, s.rate, s.channels, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 0, 0};
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    int variable = SF_BITRATE_MODE_VARIABLE;
    sf_command(f, SFC_SET_BITRATE_MODE, &variable, sizeof variable);
    sf_writef_float(f, s.samples.data(), sf_count_t(s.frames()));
    sf_close(f);
    std::string bytes = read_file(path);
    ASSERT_NE(bytes.find("Xing"), std::string::npos);
    // MPEG-1 layer III: 144 x bit rate / sample rate bytes, the bit rate indexed by bits 4-7 of
    // the third header byte.
    const int kbps[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    bytes.erase(0, std::size_t(144 * 1000 * kbps[(unsigned char)bytes[2] >> 4] / s.rate));
    write_file(path, bytes);
}

class damaged_input : public cli_test {};

TEST_F(damaged_input, every_render_is_whole_or_says_what_it_is_not) {
    // Loud noise first (a high bit rate), then a long quiet: the estimate falls far short.
    sound noisy = tones(2, 2.0);
    for (std::size_t i = 0; i < noisy.samples.size(); ++i)
        noisy.samples[i] = i < 24000 ? float((i * 7919) % 1000) / 1000.0f - 0.5f : 0.0f;
    write_mp3_without_xing(path("vbr.mp3"), noisy);
    sound slow = tones(2);
    slow.rate = 32000;
    write_sound(path("32k.wav"), slow);
    write_sound(path("stereo.wav"), tones(2));
    write_sound(path("six.wav"), tones(6));
    for (const int channels : {2, 6}) {
        sound s = tones(channels);
        for (const std::size_t at : {100u, 5000u, 9001u})
            s.samples[at] = at == 5000 ? INFINITY : NAN;
        write_sound(path("nan" + std::to_string(channels) + ".wav"), s);
    }
    const std::string whole = read_file(path("stereo.wav"));
    write_file(path("cut.wav"), whole.substr(0, whole.size() / 2));

    const struct {
        std::string in;
        std::vector<std::string> options;
        std::string out;
        std::size_t frames;  // at least
        std::string says;    // "": no warning at all
    } rows[] = {
        {"vbr.mp3", {"--mode", "0"}, "out.wav", 96000, "No audio processing is performed. So"},
        {"stereo.wav", {"--mode", "2"}, "out.wav", 12000, ""},
        {"32k.wav",
         {"--mode", "5"},
         "out.wav",
         8000,
         "44.1 or 48KHz. So the input passes "
         "through unprocessed; resample"},
        {"six.wav", {"--mode", "2"}, "out.wav", 12000, "source with 2 channels. So"},
        {"stereo.wav", {"--mode", "8"}, "out.wav", 12000, "with 4, 5 or 6 channels is required"},
        {"nan2.wav", {"--mode", "2"}, "out.flac", 12000, " not finite (NaN"},
        {"nan6.wav", {"--mode", "0"}, "out.wav", 12000, " not finite (NaN"},
        {"nan6.wav", {"--mode", "8"}, "out.wav", 12000, " not finite (NaN"},
        {"cut.wav", {"--mode", "2"}, "out.wav", 5000, "promises 12000 frames, it holds 59"},
    };
    // The MP3 decoder complains about damaged frames on stderr itself; --quiet silences it too.
    std::string damaged = read_file(path("vbr.mp3"));
    for (std::size_t i = 500; i < damaged.size(); i += 97) damaged[i] = char(0xff);
    write_file(path("damaged.mp3"), damaged);
    const run_result quiet = run_ambiora({"render", path("damaged.mp3"), path("q.wav"), "-q"});
    EXPECT_EQ(quiet.exit_code, 0);
    EXPECT_EQ(quiet.err, "");
    // From a pipe too, the MP3 is decoded to its end.
    const std::string piped = "cat '" + path("vbr.mp3") + "' | AMBIORA_PLAN_SECONDS=0.01 '" +
                              AMBIORA_BINARY "' render - '" + path("piped.wav") + "' -q";
    ASSERT_EQ(std::system(piped.c_str()), 0);
    EXPECT_GE(read_sound(path("piped.wav")).frames(), 96000u);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.in + " " + testing::PrintToString(row.options));
        std::vector<std::string> call = {"render", path(row.in), path(row.out)};
        call.insert(call.end(), row.options.begin(), row.options.end());
        const run_result r = run_ambiora(call);
        EXPECT_EQ(r.exit_code, 0) << r.err;
        EXPECT_EQ(r.err.find("warning") == std::string::npos, row.says.empty()) << r.err;
        EXPECT_TRUE(contains(r.err, row.says));
        const sound s = read_sound(path(row.out));
        EXPECT_GE(s.frames(), row.frames);
        EXPECT_EQ(std::count_if(s.samples.begin(), s.samples.end(),
                                [](float x) { return !std::isfinite(x) || std::fabs(x) >= 1; }),
                  0);
    }
}

}  // namespace
}  // namespace cli_test
