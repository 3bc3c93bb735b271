// `ambiora demo`: the built-in programme through every mode into a folder, paths on stdout.
#include <sstream>

#include "cli_support.h"

namespace cli_test {
namespace {

class demo : public cli_test {};

TEST_F(demo, renders_both_programmes_through_every_mode_and_lists_what_it_wrote) {
    // No Python here: the demo must still write the audio and say why the pictures are missing.
    const run_result r =
        run_ambiora({"demo", path("demo")}, "AMBIORA_PYTHON=/nonexistent/python");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("pictures skipped"), std::string::npos) << r.err;

    std::vector<std::string> listed;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) listed.push_back(line);
    ASSERT_EQ(listed.size(), 2u * 10u + 2u) << r.out;  // per programme an input and nine modes
    for (const std::string& file : listed) EXPECT_TRUE(exists(file)) << file;

    const sound stereo = read_sound(path("demo/stereo-piece/input.wav"));
    const sound surround = read_sound(path("demo/surround-test/input.wav"));
    EXPECT_EQ(stereo.channels, 2);
    EXPECT_EQ(surround.channels, 6);
    const struct {
        const char* file;
        int channels;
        const sound& input;
    } renders[] = {{"demo/stereo-piece/4-ambiora-as2.wav", 6, stereo},
                   {"demo/stereo-piece/5-ambiora-headphone.wav", 2, stereo},
                   {"demo/surround-test/6-ambiora-headphone-movie.wav", 2, surround},
                   {"demo/surround-test/8-ambiora-encode2.wav", 2, surround},
                   {"demo/stereo-piece/1-ambiora-plus-c.wav", 6, stereo}};
    for (const auto& render : renders) {
        const sound s = read_sound(path(render.file));
        EXPECT_EQ(s.channels, render.channels) << render.file;
        EXPECT_EQ(s.frames(), render.input.frames()) << render.file;
        EXPECT_GT(rms(s.samples), 1e-3) << render.file;
    }
    EXPECT_EQ(read_bytes(path("demo/hrir_tables.f32")).size(), 20u * 8192u * 4u);
    const std::vector<unsigned char> levels = read_bytes(path("demo/levels.json"));
    EXPECT_NE(std::string(levels.begin(), levels.end()).find("\"Ambiora Headphone Movie\""),
              std::string::npos);
}

}  // namespace
}  // namespace cli_test
