// The setting options, made from the component's setting and mode tables, reach the component:
// `info` reports what it stores, renders hear it, and stored settings files round-trip.
#include <string_view>

#include "cli_support.h"
#include "modes.h"
#include "settings.h"

namespace cli_test {
namespace {

// The value of `row` in range and farthest from `base`, so that it is heard.
std::string changed(const ambiora::setting_row& row, std::int32_t base) {
    return std::to_string(base != row.max_value ? row.max_value : row.min_value);
}

class setting_options : public cli_test {};

TEST_F(setting_options, every_processing_option_is_stored_and_changes_the_render) {
    write_sound(path("in.wav"), tones(2));
    // The reference render has bass redirection on, so that the bass settings are heard too.
    std::vector<std::string> info = {"info"};
    std::vector<std::vector<std::string>> renders = {{"--bass-enable", "1"}};
    for (const ambiora::setting_row& row : ambiora::setting_table) {
        if (!row.processing()) continue;
        const std::string option = "--" + std::string(row.name);
        const bool bass_on = std::string_view(row.name) == "bass-enable";
        info.insert(info.end(), {option, changed(row, row.default_value)});
        renders.push_back(
            {"--bass-enable", "1", option, changed(row, bass_on ? 1 : row.default_value)});
    }
    const run_result stored = run_ambiora(info);
    ASSERT_EQ(stored.exit_code, 0) << stored.err;
    EXPECT_EQ(stored.err, "");
    EXPECT_EQ(stored.out.rfind("name: Ambiora Processor\nversion: ", 0), 0u) << stored.out;
    EXPECT_TRUE(contains(stored.out, "\ndsp guid: {B51FBAD2-8BA9-4427-BBD6-5B03A3F5C3C0}\n"));
    EXPECT_EQ(std::count(stored.out.begin(), stored.out.end(), '='),
              std::ptrdiff_t(ambiora::setting_count));
    EXPECT_TRUE(contains(stored.out, "\n  mode = 8 (Ambiora Encode2)\n"));
    for (std::size_t i = 1; i + 1 < info.size(); i += 2) {
        EXPECT_TRUE(contains(stored.out, "\n  " + info[i].substr(2) + " = " + info[i + 1] + " "));
    }
    const std::vector<sound> heard = render_each(path("in.wav"), renders);
    for (std::size_t i = 1; i < heard.size(); ++i)
        EXPECT_NE(heard[i].samples, heard[0].samples) << renders[i][2] << " " << renders[i][3];
}

TEST_F(setting_options, every_mode_name_and_the_forms_people_write_are_taken) {
    struct written_form {
        std::vector<std::string> arguments;
        std::string line, warning;
    };
    std::vector<written_form> forms;
    for (std::int32_t m = 0; m < ambiora::mode_count; ++m) {
        const std::string name = ambiora::mode_table[m].name;
        forms.push_back(
            {{"info", "--mode", name}, "mode = " + std::to_string(m) + " (" + name + ")", ""});
    }
    // Mode names match without case, spaces, dashes or the leading "Ambiora". Values outside a
    // range are warned about and passed on.
    forms.insert(forms.end(),
                 {
                     {{"info", "--mode", "as2"}, "mode = 4 (Ambiora-AS2)", ""},
                     {{"info", "--mode=HEADPHONE movie"}, "mode = 6 (Ambiora Headphone Movie)", ""},
                     {{"info", "--mode", "ambiora_encode-2"}, "mode = 8 (Ambiora Encode2)", ""},
                     {{"info", "--bass-enable", "on"}, "bass-enable = 1 (on)", ""},
                     {{"info", "--surround-trim=-6"}, "surround-trim = -6 dB", ""},
                     {{"info", "--mode", "9"},
                      "mode = 9 (not a mode: Bypass)",
                      "--mode 9 is outside 0 to 8"},
                     {{"info", "--surround-delay", "150"},
                      "surround-delay = 150 ms",
                      "150 is outside 0 to 100 ms"},
                     {{"info", "--bass-enable", "2"},
                      "bass-enable = 2 (on)",
                      "--bass-enable 2 is outside 0 or 1"},
                 });
    std::vector<std::vector<std::string>> calls;
    for (const written_form& form : forms) calls.push_back(form.arguments);
    const std::vector<run_result> results = run_ambiora_each(calls);
    for (std::size_t i = 0; i < forms.size(); ++i) {
        EXPECT_TRUE(contains(results[i].out, "\n  " + forms[i].line + "\n")) << results[i].err;
        EXPECT_TRUE(contains(results[i].err, forms[i].warning));
    }
}

TEST_F(setting_options, stored_settings_load_save_and_give_way_to_options) {
    const run_result saved =
        run_ambiora({"info", "--mode", "3", "--centre-trim", "-7", "--master-gain", "-15",
                     "--save-settings", path("s.cfg")});
    ASSERT_EQ(saved.exit_code, 0) << saved.err;
    const std::string stream = read_file(path("s.cfg"));
    EXPECT_EQ(stream.size(), ambiora::setting_count * 24) << "a 16 + 4 + 4 byte record a setting";

    // ambiora walks the stream itself to check it and to report it: a record of no setting of
    // ours, with a longer payload, must be stepped over.
    write_file(path("hand.cfg"),
               std::string(16, 'x') + std::string("\10\0\0\0xxxxxxxx", 12) + stream);
    const run_result loaded = run_ambiora({"info", "--settings", path("hand.cfg")});
    ASSERT_EQ(loaded.exit_code, 0) << loaded.err;
    EXPECT_TRUE(contains(loaded.out, "\n  mode = 3 (Ambiora-ASr)\n"));
    EXPECT_TRUE(contains(loaded.out, "\n  centre-trim = -7 dB\n"));
    EXPECT_TRUE(contains(loaded.out, "\n  master-gain = -15 dB\n"));
    // A value no dialog could have stored is reported, and used as it stands.
    EXPECT_TRUE(contains(loaded.err, "hand.cfg: master-gain -15 is outside -12 to 0 dB"));

    // A render from the file is the render with the same options; options given as well have the
    // last word; a render saves settings too.
    write_sound(path("in.wav"), tones(2));
    const std::vector<sound> heard = render_each(
        path("in.wav"),
        {{"--settings", path("s.cfg")},
         {"--mode", "3", "--centre-trim", "-7", "--master-gain", "-15"},
         {"--settings", path("s.cfg"), "--mode", "0", "--save-settings", path("s2.cfg")}});
    EXPECT_EQ(heard[0].samples, heard[1].samples);
    EXPECT_EQ(heard[2].channels, 2);
    EXPECT_EQ(read_file(path("s2.cfg")).size(), stream.size());
}

}  // namespace
}  // namespace cli_test
