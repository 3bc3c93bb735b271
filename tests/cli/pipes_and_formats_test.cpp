// `-` for IN and OUT, and every container OUT can be, by extension or by --type: each output must
// read back with its container, layout and length.
#include "cli_support.h"

namespace cli_test {
namespace {

class pipes_and_formats : public cli_test {};

TEST_F(pipes_and_formats, every_container_and_both_pipes_carry_the_whole_render) {
    write_sound(path("in.wav"), tones(2));
    const std::size_t frames = tones(2).frames();
    const struct {
        bool piped_in;
        std::string out;  // "-": standard output, kept in out.pipe
        std::vector<std::string> options;
        int format;  // SF_FORMAT_TYPEMASK | SF_FORMAT_SUBMASK of the file read back
        bool lossy;
    } rows[] = {
        {true, "-", {}, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, false},
        {true, "-", {"-t", "flac"}, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, false},
        {false,
         "-",
         {"--type", "rf64", "--sample-format", "16"},
         SF_FORMAT_RF64 | SF_FORMAT_PCM_16,
         false},
        {true, "out.wav", {}, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, false},
        {false, "out.rf64", {}, SF_FORMAT_RF64 | SF_FORMAT_FLOAT, false},
        {false, "out.w64", {"--sample-format", "24"}, SF_FORMAT_W64 | SF_FORMAT_PCM_24, false},
        {false, "out.aif", {}, SF_FORMAT_AIFF | SF_FORMAT_FLOAT, false},
        {false, "out.data", {"-t", "aiff"}, SF_FORMAT_AIFF | SF_FORMAT_FLOAT, false},
        {false, "out.ogg", {}, SF_FORMAT_OGG | SF_FORMAT_VORBIS, true},
        {false, "out.opus", {}, SF_FORMAT_OGG | SF_FORMAT_OPUS, true},
    };
    // For sanitizer builds: a leak of the Vorbis encoder's, not ours.
    const std::string leaks =
        (std::filesystem::path(__FILE__).parent_path() / "leak_suppressions.txt").string();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.out + " " + testing::PrintToString(row.options));
        // A pipe, not a redirected file: libsndfile cannot seek in it.
        std::string command = row.piped_in ? "cat '" + path("in.wav") + "' | " : "";
        command += "AMBIORA_PLAN_SECONDS=0.01 LSAN_OPTIONS=suppressions='" + leaks +
                   "' '" AMBIORA_BINARY "' render ";
        command += row.piped_in ? "- " : "'" + path("in.wav") + "' ";
        command += row.out == "-" ? "-" : "'" + path(row.out) + "'";
        for (const std::string& o : row.options) command += " '" + o + "'";
        command += " >'" + path("out.pipe") + "' 2>'" + path("err") + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << read_file(path("err"));
        const std::string written = row.out == "-" ? path("out.pipe") : path(row.out);
        if (row.out != "-") {
            EXPECT_EQ(read_file(path("out.pipe")), "");
        }
        const sound s = read_sound(written);
        EXPECT_EQ(s.format, row.format);
        EXPECT_EQ(s.channels, 6);
        if (row.lossy) {
            EXPECT_NEAR(double(s.frames()), double(frames), 0.02 * double(frames));
        } else {
            EXPECT_EQ(s.frames(), frames);
        }
        EXPECT_GT(rms(s.samples), 0.01);
    }
    // A write error names its cause.
    const std::string full = "AMBIORA_PLAN_SECONDS=0.01 '" AMBIORA_BINARY "' render '" +
                             path("in.wav") + "' - >/dev/full 2>'" + path("err") + "'";
    EXPECT_NE(std::system(full.c_str()), 0);
    EXPECT_TRUE(contains(read_file(path("err")), "standard output: No space left on device"));
    // Under nohup SIGHUP is ignored from the start, and must stay so: a hang-up halfway through a
    // piped input (the pipe pauses after the header) leaves the render running to the end.
    const std::string in = path("in.wav"), out = path("nohup.wav");
    const std::string nohup = "(head -c 100 '" + in + "'; sleep 2; tail -c +101 '" + in +
                              "') | (trap '' HUP; AMBIORA_PLAN_SECONDS=0.01 exec '" AMBIORA_BINARY
                              "' render - '" +
                              out + "' -q) & p=$!; sleep 1; kill -HUP $p; wait $p";
    EXPECT_EQ(std::system(nohup.c_str()), 0);
    EXPECT_EQ(read_sound(out).frames(), frames);
    // FLAC's own five-channel layout has a centre where the player's has LFE: the mask must say.
    write_sound(path("five.wav"), tones(5));
    EXPECT_EQ(run_ambiora({"render", path("five.wav"), path("five.flac"), "--mode", "0"}).exit_code,
              0);
    EXPECT_TRUE(contains(read_file(path("five.flac")), "WAVEFORMATEXTENSIBLE_CHANNEL_MASK=0x003B"));
}

}  // namespace
}  // namespace cli_test
