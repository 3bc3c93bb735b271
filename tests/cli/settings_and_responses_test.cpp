// --hrir: a response file in place of the built-in set.
#include <cstring>

#include "cli_support.h"

namespace cli_test {
namespace {

using bytes = std::vector<unsigned char>;

class headphone_responses : public cli_test {};

TEST_F(headphone_responses, a_response_file_replaces_the_built_in_set) {
    // Left-ear tables (even numbers) an impulse, right-ear tables silent.
    std::vector<float> tables(20 * 8192, 0.0f);
    for (int t = 0; t < 20; t += 2) tables[std::size_t(t) * 8192] = 0.5f;
    bytes file(tables.size() * 4);
    std::memcpy(file.data(), tables.data(), file.size());
    write_bytes(path("left-only.f32"), file);
    write_sound(path("in.wav"), stereo_programme(0.5, 44100));

    for (const char* mode : {"5", "6"}) {
        SCOPED_TRACE(std::string("mode ") + mode);
        const std::vector<std::string> outs = render_each(
            path("in.wav"), {{"--mode", mode}, {"--mode", mode, "--hrir", path("left-only.f32")}});
        const sound built_in = read_sound(outs[0]), custom = read_sound(outs[1]);
        EXPECT_GT(rms(built_in.channel(1)), 1e-3);
        EXPECT_EQ(rms(custom.channel(1)), 0.0);
        EXPECT_GT(rms(custom.channel(0)), 1e-3);
    }
}

}  // namespace
}  // namespace cli_test
