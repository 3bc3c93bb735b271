// Every kind of bad input gets one clear line on stderr and a non-zero exit, and leaves nothing
// behind: no output, no temporary file, and an existing output exactly as it was.
#include <sys/stat.h>

#include "cli_support.h"

namespace cli_test {
namespace {

class bad_input : public cli_test {};

TEST_F(bad_input, each_mistake_exits_non_zero_with_one_line_and_writes_nothing) {
    write_sound(path("in.wav"), tones(2, 0.1));
    write_sound(path("three.wav"), tones(3, 0.1));
    write_sound(path("nine.wav"), tones(9, 0.1));
    write_sound(path("empty.wav"), sound{{}, 2, 48000});
    write_file(path("notes.txt"), "not a sound\n");
    write_file(path("short.f32"), std::string(1000, '\0'));
    write_file(path("cut.cfg"), std::string(30, '\0'));  // a header and part of a record
    write_file(path("empty.cfg"), "");
    // One whole record, of no setting of ours.
    write_file(path("foreign.cfg"), std::string(16, 'x') + std::string("\4\0\0\0xxxx", 8));
    write_file(path("bad-index.txt"), "first mode=1\n");
    write_file(path("bad-name.txt"), "0 loudness=3\n");
    write_file(path("bad-value.txt"), "# fine\n0 mode=4\n3 surround-delay=lots\n");
    write_file(path("bare.txt"), "4\n");
    write_file(path("precious.wav"), "keep me");
    ASSERT_EQ(::link(path("in.wav").c_str(), path("hard.wav").c_str()), 0);
    ASSERT_EQ(::symlink(path("in.wav").c_str(), path("soft.wav").c_str()), 0);
    ASSERT_EQ(::mkdir(path("folder").c_str(), 0777), 0);
    ASSERT_EQ(::mkdir(path("folder.wav").c_str(), 0777), 0);
    // Entries in the scratch folder, hidden temporary files included.
    auto entries = [this] { return std::distance(std::filesystem::directory_iterator(dir_), {}); };
    const auto before = entries();

    const std::string in = path("in.wav"), out = path("out.wav"), log = path("out.chunks");
    const struct {
        std::vector<std::string> arguments;
        int exit_code;
        std::string says;  // part of the message
    } cases[] = {
        {{"render", path("missing.wav"), out}, 1, "No such file"},
        {{"render", path("folder"), out}, 1, "is a directory"},
        {{"render", path("notes.txt"), out}, 1, "not a sound file"},
        {{"render", path("nine.wav"), out}, 1, "has 9 channels"},
        {{"render", path("three.wav"), path("precious.wav")}, 1, "5 or 6 (mono, stereo"},
        {{"render", path("empty.wav"), out}, 1, "holds no audio"},
        // OUT naming IN, itself or through a link, would replace the source.
        {{"render", in, in}, 1, "same file as IN"},
        {{"render", path("soft.wav"), path("hard.wav")}, 1, "same file as IN"},
        {{"render", in, out, "--loudness", "3"}, 2, "unknown option --loudness"},
        {{"render", in, out, "-x"}, 2, "unknown option -x"},
        {{"render", in, out, "--surround-delay", "abc"}, 2, "not 'abc'"},
        {{"render", in, out, "--master-gain", "99999999999"}, 2, "32 bits"},
        {{"render", in, out, "--bass-enable", "maybe"}, 2, "0 or 1"},
        {{"render", in, out, "--mode", "sideways"}, 2, "mode number or name"},
        {{"render", in, out, "--mode"}, 2, "needs a value"},
        {{"render", in, out, "--chunk", "0"}, 2, "--chunk"},
        {{"render", in, out, "--quiet=1"}, 2, "takes no value"},
        {{"render", in, out, "--hrir", path("short.f32")}, 1, "1000 bytes"},
        {{"render", in, out, "--settings", path("cut.cfg")}, 1, "ends inside a record"},
        {{"render", in, out, "--settings", path("foreign.cfg")}, 1, "none of this component's"},
        {{"render", in, log, "--schedule", path("bad-index.txt")}, 2, "bad-index.txt:1: "},
        {{"render", in, log, "--schedule", path("missing.txt")}, 1, "cannot read"},
        {{"render", in, log, "--schedule", path("bad-name.txt")}, 2, "no setting 'loudness'"},
        {{"render", in, log, "--schedule", path("bad-value.txt")}, 2, "bad-value.txt:3: surround"},
        {{"render", in, log, "--schedule", path("bare.txt")}, 2, "nothing to do"},
        {{"render", in, path("no-such-folder/out.wav")}, 1, "cannot write"},
        {{"render", in, path("folder.wav")}, 1, "cannot write"},
        {{"render", in, path("out.mp3")}, 2, "end it in .wav, .rf64"},
        {{"render", in, out, "-t", "mp3"}, 2, "--type needs one of wav, rf64"},
        {{"render", in, path("precious.wav"), "-n"}, 1, "--no-overwrite (-n) keeps it"},
        {{"render", in, out, "--schedule", path("bare.txt")}, 2, "name ending in .chunks"},
        {{"render", in, out, "--hrir", "/dev/zero"}, 1, "larger than 655360 bytes"},
        {{"render", in, out, "--settings", "/dev/zero"}, 1, "larger than"},
        {{"render", in, out, "--settings", path("empty.cfg")}, 1, "holds no settings"},
        {{"render", in, path("out.flac"), "--sample-format", "float"}, 2, "FLAC"},
        {{"render", in, out, "--sample-format", "12"}, 2, "float, 24 or 16"},
        {{"render", in}, 2, "needs IN and OUT"},
        {{"info", "extra"}, 2, "no argument"},
        {{"demo", path("precious.wav")}, 1, "a file is in the way"},
        {{"mix", "a", "b"}, 2, "unknown command 'mix'"},
        {{}, 2, "usage: ambiora"},
    };
    std::vector<std::vector<std::string>> calls;
    for (const auto& c : cases) calls.push_back(c.arguments);
    const std::vector<run_result> results = run_ambiora_each(calls);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const run_result& r = results[i];
        SCOPED_TRACE(testing::PrintToString(cases[i].arguments));
        EXPECT_EQ(r.exit_code, cases[i].exit_code) << r.err;
        EXPECT_EQ(r.out, "") << "stdout carries results only";
        EXPECT_TRUE(contains(r.err, cases[i].says));
        if (cases[i].arguments.empty()) continue;  // the usage text
        EXPECT_EQ(r.err.rfind("ambiora: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_EQ(entries(), before) << "nothing may be left behind";
    EXPECT_EQ(read_file(path("precious.wav")), "keep me");

    // A good render replaces an existing output whole; --quiet leaves only errors to say.
    const run_result good = run_ambiora({"render", in, path("precious.wav"), "--quiet"});
    EXPECT_EQ(good.exit_code, 0);
    EXPECT_EQ(good.err, "");
    EXPECT_EQ(read_sound(path("precious.wav")).channels, 6);
    EXPECT_EQ(entries(), before);
}

}  // namespace
}  // namespace cli_test
