// ambiora info: what the component says about itself through its services, and its settings.
#include <cstdio>
#include <iostream>
#include <sstream>

#include "commands.h"
#include "component_session.h"
#include "messages.h"
#include "setting_options.h"
#include "settings_arguments.h"
#include "settings_stream.h"

namespace ambiora_cli {
namespace {

std::string answer(componentversion& version, void (componentversion::*ask)(string_base&)) {
    host_sim::host_string text;
    (version.*ask)(text);
    return text.str();
}

std::string format_guid(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  unsigned(g.Data1), unsigned(g.Data2), unsigned(g.Data3), g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

void print_help(const std::vector<option_spec>& options) {
    std::cout << "usage: ambiora info [options]\n\n"
                 "Prints what the Ambiora Processor component reports through its services (name,\n"
                 "version, DSP name and GUID) and the value of every setting, as the component\n"
                 "stores them. With the setting options and --save-settings it makes a stored\n"
                 "settings stream for `render --settings`.\n\n"
                 "options:\n"
              << format_options_help(options)
              << "\nexample:\n"
                 "  ambiora info --mode 5 --surround-delay 30 --save-settings phones.cfg\n";
}

}  // namespace

int info_command(std::span<char* const> arguments) {
    settings_arguments settings;
    std::vector<option_spec> options;
    settings.add_options(options);
    options.push_back({"quiet", "", "print errors only (no warnings)",
                       [](const std::string&) { set_quiet(true); }, "q"});
    const parsed_arguments parsed = parse_arguments(arguments, options, "info");
    if (parsed.help_asked) {
        print_help(options);
        return 0;
    }
    if (!parsed.positional.empty()) {
        throw usage_error("info takes no argument '" + parsed.positional[0] +
                          "' (see ambiora info --help)");
    }
    const std::optional<std::vector<unsigned char>> stored = settings.read_stored_settings();
    settings.prepare_save();
    component_session session(stored ? &*stored : nullptr);
    settings.apply(session);

    auto version = session.host().create<componentversion>();
    auto entry = session.host().create<dsp_entry>();
    if (!version || !entry) throw run_error("the component does not publish its services");
    host_sim::host_string dsp_name;
    entry->get_name(dsp_name);

    std::cout << "name: " << answer(*version, &componentversion::get_component_name) << "\n"
              << "version: " << answer(*version, &componentversion::get_component_version) << "\n"
              << "file: " << answer(*version, &componentversion::get_file_name) << "\n"
              << "dsp name: " << dsp_name.str() << "\n"
              << "dsp guid: " << format_guid(entry->guid()) << "\n";
    std::istringstream about(answer(*version, &componentversion::get_about_message));
    for (std::string line; std::getline(about, line);) std::cout << "about: " << line << "\n";
    std::cout << "settings:\n";

    // The values as the component itself stores them, read back from its settings stream.
    const std::vector<unsigned char> stream = session.saved_settings();
    for (const ambiora::setting_row& s : ambiora::setting_table) {
        const std::optional<std::int32_t> value = stored_value(stream, s);
        std::cout << "  " << s.name << " = "
                  << (value ? describe_setting_value(s, *value) : std::string("(not stored)"))
                  << "\n";
    }
    std::cout.flush();
    settings.commit_save();
    return 0;
}

}  // namespace ambiora_cli
