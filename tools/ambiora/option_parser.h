// Command-line parsing shared by every command: `--name VALUE`, `--name=VALUE`, flags, `--` and
// positional arguments, with help text made from the same option list.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace ambiora_cli {

struct option_spec {
    std::string name;        // without the dashes: "surround-delay"
    std::string value_name;  // "MS"; empty for a flag, which takes no value
    std::string help;
    // Called once per occurrence, in command-line order; `value` is empty for a flag.
    std::function<void(const std::string& value)> apply;
    std::string short_name = {};  // "t" for -t, the habit of other audio tools; may be empty
};

struct parsed_arguments {
    std::vector<std::string> positional;
    bool help_asked = false;  // --help or -h anywhere before `--`
};

// Throws usage_error for an unknown option or a missing value; `command` names the command in
// the message ("see ambiora render --help").
parsed_arguments parse_arguments(std::span<char* const> arguments,
                                 const std::vector<option_spec>& options,
                                 const std::string& command);

// Two columns: "  --surround-delay MS   delay of the surround channels (...)".
std::string format_options_help(const std::vector<option_spec>& options);

}  // namespace ambiora_cli
