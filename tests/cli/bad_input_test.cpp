// Every kind of bad input gets one clear line on stderr and a non-zero exit, and leaves nothing
// behind: no output, no temporary file, and an existing output exactly as it was.
#include <sndfile.h>
#include <sys/stat.h>

#include "cli_support.h"

namespace cli_test {
namespace {

class bad_input : public cli_test {
  protected:
    void SetUp() override {
        cli_test::SetUp();
        write_sound(path("in.wav"), stereo_programme(0.2));
        write_sound(path("three.wav"), multichannel_tones(3, 0.1));
        write_sound(path("nine.wav"), multichannel_tones(9, 0.1));
        write_sound(path("empty.wav"), sound{{}, 2, 48000, 0});
        write_text(path("notes.txt"), "not a sound\n");
        bytes riff = {'R', 'I', 'F', 'F', 0x40, 0,    0, 0, 'W', 'A',  'V',
                      'E', 'f', 'm', 't', ' ',  0x10, 0, 0, 0,   0x77, 0x77};
        riff.resize(60, 0xcc);
        write_bytes(path("corrupt.wav"), riff);
        write_bytes(path("short.f32"), bytes(1000, 0));
        write_bytes(path("cut.cfg"), bytes(30, 0));  // a record header and part of its payload
        bytes foreign(24, 0x11);                     // one whole record, but of no setting of ours
        foreign[16] = 4;                             // payload length 4
        foreign[17] = foreign[18] = foreign[19] = 0;
        write_bytes(path("foreign.cfg"), foreign);
        write_text(path("bad-index.txt"), "first mode=1\n");
        write_text(path("bad-name.txt"), "0 loudness=3\n");
        write_text(path("bad-value.txt"), "# fine\n0 mode=4\n3 surround-delay=lots\n");
        write_text(path("bare.txt"), "4\n");
        write_text(path("precious.wav"), "keep me");
        ASSERT_EQ(::mkdir(path("folder").c_str(), 0777), 0);
        ASSERT_EQ(::mkdir(path("folder.wav").c_str(), 0777), 0);
        before_ = folder_listing();
    }
    using bytes = std::vector<unsigned char>;
    std::vector<std::string> before_;
};

TEST_F(bad_input, each_mistake_exits_non_zero_with_one_line_and_writes_nothing) {
    // `render in.wav out.wav` with more arguments.
    auto with = [this](std::vector<std::string> more) {
        more.insert(more.begin(), {"render", path("in.wav"), path("out.wav")});
        return more;
    };
    const struct {
        std::vector<std::string> arguments;
        int exit_code;
        std::string says;  // part of the message
    } cases[] = {
        {{"render", path("missing.wav"), path("out.wav")}, 1, "No such file"},
        {{"render", path("folder"), path("out.wav")}, 1, "is a directory"},
        {{"render", path("notes.txt"), path("out.wav")}, 1, "not a sound file"},
        {{"render", path("corrupt.wav"), path("out.wav")}, 1, "not a sound file"},
        {{"render", path("nine.wav"), path("out.wav")}, 1, "has 9 channels"},
        {{"render", path("empty.wav"), path("out.wav")}, 1, "holds no audio"},
        {{"render", path("three.wav"), path("out.wav")}, 1, "kept no audio"},
        {with({"--loudness", "3"}), 2, "unknown option --loudness"},
        {with({"-x"}), 2, "unknown option -x"},
        {with({"--surround-delay", "abc"}), 2, "not 'abc'"},
        {with({"--centre-trim", "1.5"}), 2, "whole number"},
        {with({"--master-gain", "99999999999"}), 2, "32 bits"},
        {with({"--bass-enable", "maybe"}), 2, "0 or 1"},
        {with({"--mode", "sideways"}), 2, "mode number or name"},
        {with({"--mode"}), 2, "needs a value"},
        {with({"--chunk", "0"}), 2, "--chunk"},
        {with({"--chunk", "-5"}), 2, "--chunk"},
        {with({"--quiet=1"}), 2, "takes no value"},
        {with({"--hrir", path("short.f32")}), 1, "1000 bytes"},
        {with({"--hrir", path("missing.f32")}), 1, "cannot read"},
        {with({"--settings", path("cut.cfg")}), 1, "ends inside a record"},
        {with({"--settings", path("foreign.cfg")}), 1, "none of this component's settings"},
        {with({"--schedule", path("bad-index.txt")}), 2, "bad-index.txt:1: "},
        {with({"--schedule", path("bad-name.txt")}), 2, "no setting 'loudness'"},
        {with({"--schedule", path("bad-value.txt")}), 2, "bad-value.txt:3: surround-delay"},
        {with({"--schedule", path("bare.txt")}), 2, "nothing to do"},
        {with({"--schedule", path("missing.txt")}), 1, "cannot read"},
        {{"render", path("in.wav"), path("no-such-folder/out.wav")}, 1, "cannot write"},
        {{"render", path("in.wav"), path("folder.wav")}, 1, "cannot write"},
        {{"render", path("in.wav"), path("out.mp3")}, 2, "end it in .wav or .flac"},
        {{"render", path("in.wav"), path("out.flac"), "--sample-format", "float"}, 2, "FLAC"},
        {with({"--sample-format", "12"}), 2, "float, 24 or 16"},
        {with({"--save-settings", path("no-such-folder/s.cfg")}), 1, "cannot write"},
        {{"render", path("in.wav")}, 2, "needs IN and OUT"},
        {{"info", "--settings", path("cut.cfg")}, 1, "ends inside a record"},
        {{"info", "extra"}, 2, "no argument"},
        {{"demo", path("precious.wav")}, 1, "a file is in the way"},
        {{"demo", "--hrir", path("short.f32"), path("demo")}, 1, "1000 bytes"},
        {{"mix", "a", "b"}, 2, "unknown command 'mix'"},
        {{}, 2, "usage: ambiora"},
    };
    std::vector<std::vector<std::string>> calls;
    for (const auto& c : cases) calls.push_back(c.arguments);
    const std::vector<run_result> results = run_ambiora_each(calls);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const run_result& r = results[i];
        std::string call;
        for (const std::string& a : c.arguments) call += " " + a;
        SCOPED_TRACE("ambiora" + call);
        EXPECT_EQ(r.exit_code, c.exit_code) << r.err;
        EXPECT_EQ(r.out, "") << "stdout carries results only";
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        if (!c.arguments.empty()) {
            EXPECT_EQ(r.err.rfind("ambiora: ", 0), 0u) << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        }
    }
    EXPECT_EQ(folder_listing(), before_) << "nothing may be left behind";
}

TEST_F(bad_input, a_failed_render_leaves_an_existing_output_as_it_was) {
    // The component keeps nothing of three channels, which is found only after rendering.
    const run_result r = run_ambiora({"render", path("three.wav"), path("precious.wav")});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(folder_listing(), before_);
    const std::vector<unsigned char> kept = read_bytes(path("precious.wav"));
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "keep me");

    // A good render replaces it whole.
    ASSERT_EQ(run_ambiora({"render", path("in.wav"), path("precious.wav")}).exit_code, 0);
    EXPECT_EQ(read_sound(path("precious.wav")).channels, 6);
    EXPECT_EQ(folder_listing(), before_);
}

TEST_F(bad_input, values_outside_a_range_are_warned_about_and_passed_on) {
    const run_result r = run_ambiora({"render", path("in.wav"), path("out.wav"), "--surround-delay",
                                      "150", "--bass-enable", "2"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("warning: --surround-delay 150 is outside 0 to 100 ms"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("warning: --bass-enable 2 is outside 0 or 1"), std::string::npos) << r.err;
    EXPECT_TRUE(exists(path("out.wav")));
    const run_result quiet =
        run_ambiora({"render", path("in.wav"), path("out.wav"), "--master-gain", "3", "--quiet"});
    EXPECT_EQ(quiet.exit_code, 0);
    EXPECT_EQ(quiet.err, "");
}

}  // namespace
}  // namespace cli_test
