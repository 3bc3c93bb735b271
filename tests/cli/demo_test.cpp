// `ambiora demo`: the built-in programme through every mode into a folder, paths on stdout.
#include <sstream>

#include "cli_support.h"

namespace cli_test {
namespace {

class demo : public cli_test {};

TEST_F(demo, renders_both_programmes_through_every_mode_and_lists_what_it_wrote) {
    // No Python here: the demo must still write the audio and say why the pictures are missing.
    const run_result r = run_ambiora({"demo", path("demo")}, "AMBIORA_PYTHON=/nonexistent/python");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "pictures skipped"));

    // Per programme its input and nine renders, then the responses and the levels.
    std::istringstream lines(r.out);
    int listed = 0;
    for (std::string file; std::getline(lines, file); ++listed) {
        EXPECT_FALSE(read_file(file).empty()) << file;
        if (file.ends_with(".wav")) {
            EXPECT_GT(rms(read_sound(file).samples), 1e-3) << file;
        }
    }
    EXPECT_EQ(listed, 2 * 10 + 2) << r.out;
    EXPECT_EQ(read_file(path("demo/hrir_tables.f32")).size(), 20u * 8192u * 4u);
}

}  // namespace
}  // namespace cli_test
