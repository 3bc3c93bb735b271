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

TEST_F(setting_options, every_processing_option_is_stored_saved_loaded_and_heard) {
    // Every option away from its default, in info (which saves them) and one per render. The
    // reference render has bass redirection on, so that the bass settings are heard too.
    std::vector<std::string> info = {"info", "--save-settings", path("s.cfg")};
    std::vector<std::vector<std::string>> renders = {{"--bass-enable", "1"}};
    for (const ambiora::setting_row& row : ambiora::setting_table) {
        if (!row.processing()) continue;
        const std::string option = "--" + std::string(row.name);
        const bool bass_on = std::string_view(row.name) == "bass-enable";
        info.insert(info.end(), {option, changed(row, row.default_value)});
        renders.push_back(
            {"--bass-enable", "1", option, changed(row, bass_on ? 1 : row.default_value)});
    }
    const std::vector<std::string> options(info.begin() + 3, info.end());
    const run_result stored = run_ambiora(info);
    ASSERT_EQ(stored.exit_code, 0) << stored.err;
    EXPECT_EQ(stored.err, "");
    EXPECT_EQ(stored.out.rfind("name: Ambiora Processor\nversion: ", 0), 0u) << stored.out;
    EXPECT_TRUE(contains(stored.out, "\ndsp guid: {B51FBAD2-8BA9-4427-BBD6-5B03A3F5C3C0}\n"));
    EXPECT_EQ(std::count(stored.out.begin(), stored.out.end(), '='),
              std::ptrdiff_t(ambiora::setting_count));
    for (std::size_t i = 0; i < options.size(); i += 2)
        EXPECT_TRUE(
            contains(stored.out, "\n  " + options[i].substr(2) + " = " + options[i + 1] + " "));

    // ambiora walks a settings file itself to check it and to report it: a record of no setting
    // of ours, with a longer payload, must be stepped over.
    const std::string stream = read_file(path("s.cfg"));
    EXPECT_EQ(stream.size(), ambiora::setting_count * 24) << "a 16 + 4 + 4 byte record a setting";
    write_file(path("hand.cfg"),
               std::string(16, 'x') + std::string("\10\0\0\0xxxxxxxx", 12) + stream);
    EXPECT_EQ(run_ambiora({"info", "--settings", path("hand.cfg")}).out, stored.out);

    // A render from the file is the render with the same options; options given as well have the
    // last word; a render saves settings too.
    renders.insert(renders.end(), {options,
                                   {"--settings", path("s.cfg")},
                                   {"--settings", path("s.cfg"), "--mode", "4", "--save-settings",
                                    path("s2.cfg")}});
    write_sound(path("in.wav"), tones(2));
    const std::vector<sound> heard = render_each(path("in.wav"), renders);
    const std::size_t last = heard.size() - 1;
    for (std::size_t i = 1; i < last - 2; ++i)
        EXPECT_NE(heard[i].samples, heard[0].samples) << renders[i][2] << " " << renders[i][3];
    EXPECT_EQ(heard[last - 1].samples, heard[last - 2].samples);
    EXPECT_EQ(heard[last].channels, 6);
    EXPECT_EQ(read_file(path("s2.cfg")).size(), stream.size());
}

TEST_F(setting_options, every_mode_name_and_the_forms_people_write_are_taken) {
    struct written_form {
        std::vector<std::string> options;
        std::string line, warning;
    };
    std::vector<written_form> forms;
    for (std::int32_t m = 0; m < ambiora::mode_count; ++m) {
        const std::string name = ambiora::mode_table[m].name;
        forms.push_back({{"--mode", name}, "mode = " + std::to_string(m) + " (" + name + ")", ""});
    }
    // Mode names match without case, spaces, dashes or the leading "Ambiora". Values outside a
    // range, given or stored, are warned about and passed on.
    const std::string odd = path("odd.cfg");
    ASSERT_EQ(run_ambiora({"info", "--mode", "9", "--quiet", "--save-settings", odd}).exit_code, 0);
    const written_form given[] = {
        {{"--mode", "as2"}, "mode = 4 (Ambiora-AS2)", ""},
        {{"--mode=HEADPHONE movie"}, "mode = 6 (Ambiora Headphone Movie)", ""},
        {{"--mode", "ambiora_encode-2"}, "mode = 8 (Ambiora Encode2)", ""},
        {{"--bass-enable", "on"}, "bass-enable = 1 (on)", ""},
        {{"--surround-trim=-6"}, "surround-trim = -6 dB", ""},
        {{"--mode", "9"}, "mode = 9 (not a mode: Bypass)", "--mode 9 is outside 0 to 8"},
        {{"--surround-delay", "150"}, "surround-delay = 150 ms", "150 is outside 0 to 100 ms"},
        {{"--bass-enable", "2"}, "bass-enable = 2 (on)", "--bass-enable 2 is outside 0 or 1"},
        {{"--settings", odd}, "mode = 9 (not a mode: Bypass)", "odd.cfg: mode 9 is outside"},
    };
    forms.insert(forms.end(), std::begin(given), std::end(given));
    std::vector<std::vector<std::string>> calls;
    for (const written_form& form : forms) {
        calls.push_back({"info"});
        calls.back().insert(calls.back().end(), form.options.begin(), form.options.end());
    }
    const std::vector<run_result> results = run_ambiora_each(calls);
    for (std::size_t i = 0; i < forms.size(); ++i) {
        EXPECT_TRUE(contains(results[i].out, "\n  " + forms[i].line + "\n")) << results[i].err;
        EXPECT_TRUE(contains(results[i].err, forms[i].warning));
    }
}

}  // namespace
}  // namespace cli_test
