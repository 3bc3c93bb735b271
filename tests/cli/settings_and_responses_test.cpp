// --settings / --save-settings in the component's own stream format, `info`, and --hrir.
#include <cstring>

#include "cli_support.h"

namespace cli_test {
namespace {

using bytes = std::vector<unsigned char>;

// Settings keys as the stream holds them (the GUIDs' in-memory layout).
const bytes mode_key = {0xe7, 0x41, 0xac, 0x41, 0x3a, 0x7c, 0x7d, 0x46,
                        0xb7, 0xf2, 0x8b, 0x5c, 0xc1, 0x3c, 0x03, 0x06};
const bytes centre_trim_key = {0x70, 0xe4, 0x8b, 0xb2, 0x10, 0x44, 0xc7, 0x46,
                               0xb4, 0x48, 0xad, 0x43, 0xf3, 0x04, 0xfe, 0xe0};
const bytes master_gain_key = {0x81, 0x00, 0xac, 0xc4, 0x42, 0xeb, 0xed, 0x45,
                               0x86, 0xec, 0xfa, 0x63, 0xb9, 0x11, 0xb3, 0x00};

bytes record(const bytes& key, std::int32_t value, std::uint32_t length = 4) {
    bytes r = key;
    for (int i = 0; i < 4; ++i) r.push_back(std::uint8_t(length >> (8 * i)));
    for (std::uint32_t i = 0; i < length; ++i) {
        r.push_back(i < 4 ? std::uint8_t(std::uint32_t(value) >> (8 * i)) : 0xee);
    }
    return r;
}

// The value the stream stores under `key`; fails the test when it is not there exactly once.
std::int32_t stored(const bytes& stream, const bytes& key) {
    int found = 0;
    std::int32_t value = 0;
    for (std::size_t at = 0; at + 20 <= stream.size();) {
        const std::uint32_t length = std::uint32_t(stream[at + 16]) | stream[at + 17] << 8 |
                                     stream[at + 18] << 16 | std::uint32_t(stream[at + 19]) << 24;
        if (std::memcmp(stream.data() + at, key.data(), 16) == 0 && length == 4) {
            ++found;
            std::memcpy(&value, stream.data() + at + 20, 4);
        }
        at += 20 + length;
    }
    EXPECT_EQ(found, 1);
    return value;
}

bool has_line(const std::string& text, const std::string& line) {
    return text.find("\n" + line + "\n") != std::string::npos;
}

class stored_settings : public cli_test {};

TEST_F(stored_settings, info_reports_the_services_and_every_setting_on_stdout) {
    const run_result r = run_ambiora({"info"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("name: Ambiora Processor\nversion: ", 0), 0u) << r.out;
    EXPECT_TRUE(has_line(r.out, "dsp guid: {B51FBAD2-8BA9-4427-BBD6-5B03A3F5C3C0}")) << r.out;
    EXPECT_TRUE(has_line(r.out, "  mode = 4 (Ambiora-AS2)")) << r.out;
    EXPECT_TRUE(has_line(r.out, "  surround-delay = 20 ms")) << r.out;
    EXPECT_TRUE(has_line(r.out, "  tray-only-when-playing = 1 (on)")) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '='), 19);
}

TEST_F(stored_settings, save_and_load_round_trip_through_the_components_stream) {
    const run_result saved = run_ambiora({"info", "--mode", "3", "--centre-trim", "-7",
                                          "--master-gain", "-3", "--save-settings", path("s.cfg")});
    ASSERT_EQ(saved.exit_code, 0) << saved.err;
    const bytes stream = read_bytes(path("s.cfg"));
    EXPECT_EQ(stream.size(), 19u * 24u) << "one record of 16 + 4 + 4 bytes per setting";
    EXPECT_EQ(stored(stream, mode_key), 3);
    EXPECT_EQ(stored(stream, centre_trim_key), -7);
    EXPECT_EQ(stored(stream, master_gain_key), -3);

    const run_result loaded = run_ambiora({"info", "--settings", path("s.cfg")});
    ASSERT_EQ(loaded.exit_code, 0) << loaded.err;
    EXPECT_TRUE(has_line(loaded.out, "  mode = 3 (Ambiora-ASr)")) << loaded.out;
    EXPECT_TRUE(has_line(loaded.out, "  centre-trim = -7 dB")) << loaded.out;
    EXPECT_TRUE(has_line(loaded.out, "  master-gain = -3 dB")) << loaded.out;

    // A render from the stored settings is the render with the same options, and options given
    // as well have the last word.
    write_sound(path("in.wav"), stereo_programme());
    const std::vector<std::string> outs = render_each(
        path("in.wav"),
        {{"--settings", path("s.cfg")},
         {"--mode", "3", "--centre-trim", "-7", "--master-gain", "-3"},
         {"--settings", path("s.cfg"), "--mode", "0", "--save-settings", path("s2.cfg")}});
    EXPECT_EQ(read_sound(outs[0]).samples, read_sound(outs[1]).samples);
    EXPECT_EQ(read_sound(outs[2]).channels, 2);
    EXPECT_EQ(stored(read_bytes(path("s2.cfg")), mode_key), 0);
    EXPECT_EQ(stored(read_bytes(path("s2.cfg")), centre_trim_key), -7);
}

TEST_F(stored_settings, a_stream_in_any_order_with_foreign_long_and_odd_records_loads) {
    const bytes foreign_key(16, 0x5a);
    bytes stream;
    for (const bytes& r :
         {record(foreign_key, 1, 8), record(master_gain_key, -15), record(mode_key, 5, 6)}) {
        stream.insert(stream.end(), r.begin(), r.end());
    }
    write_bytes(path("hand.cfg"), stream);
    const run_result r = run_ambiora({"info", "--settings", path("hand.cfg")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(has_line(r.out, "  mode = 5 (Ambiora Headphone)")) << r.out;
    // A value no dialog could have stored is reported, and used as it stands.
    EXPECT_TRUE(has_line(r.out, "  master-gain = -15 dB")) << r.out;
    EXPECT_NE(r.err.find("master-gain -15 is outside -12 to 0 dB; passed on"), std::string::npos)
        << r.err;
    EXPECT_TRUE(has_line(r.out, "  surround-delay = 20 ms")) << "untouched settings keep defaults";
}

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
