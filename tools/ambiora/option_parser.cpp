#include "option_parser.h"

#include <algorithm>

#include "messages.h"

namespace ambiora_cli {
namespace {

const option_spec* find_option(const std::vector<option_spec>& options, const std::string& name) {
    for (const option_spec& o : options) {
        if (o.name == name) return &o;
    }
    return nullptr;
}

const option_spec* find_short_option(const std::vector<option_spec>& options,
                                     const std::string& letter) {
    for (const option_spec& o : options) {
        if (!o.short_name.empty() && o.short_name == letter) return &o;
    }
    return nullptr;
}

std::string option_column(const option_spec& o) {
    std::string column = (o.short_name.empty() ? "" : "-" + o.short_name + ", ") + "--" + o.name;
    if (!o.value_name.empty()) column += " " + o.value_name;
    return column;
}

}  // namespace

parsed_arguments parse_arguments(std::span<char* const> arguments,
                                 const std::vector<option_spec>& options,
                                 const std::string& command) {
    parsed_arguments parsed;
    const std::string see_help = " (see ambiora " + command + " --help)";
    bool options_ended = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (options_ended || argument.size() < 2 || argument[0] != '-') {
            parsed.positional.push_back(argument);
            continue;
        }
        if (argument == "--") {
            options_ended = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            parsed.help_asked = true;
            continue;
        }
        if (argument.rfind("--", 0) != 0) {
            const option_spec* shortened = find_short_option(options, argument.substr(1));
            if (shortened == nullptr) throw usage_error("unknown option " + argument + see_help);
            argument = "--" + shortened->name;
        }
        const std::size_t equals = argument.find('=');
        const std::string name =
            argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const option_spec* option = find_option(options, name);
        if (option == nullptr) throw usage_error("unknown option --" + name + see_help);
        if (option->value_name.empty()) {
            if (equals != std::string::npos) {
                throw usage_error("--" + name + " takes no value" + see_help);
            }
            option->apply("");
            continue;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            throw usage_error("--" + name + " needs a value " + option->value_name + see_help);
        }
        if (value.empty()) {
            throw usage_error("--" + name + " needs a value " + option->value_name + see_help);
        }
        option->apply(value);
    }
    return parsed;
}

std::string format_options_help(const std::vector<option_spec>& options) {
    constexpr std::size_t line_width = 100;
    std::size_t width = 0;
    for (const option_spec& o : options) width = std::max(width, option_column(o).size());
    const std::size_t indent = 2 + width + 3;
    std::string text;
    for (const option_spec& o : options) {
        const std::string column = option_column(o);
        std::string line = "  " + column + std::string(width - column.size() + 3, ' ');
        // Words of the help wrap under the help column, not under the option.
        std::size_t at = 0;
        bool line_has_words = false;
        while (at < o.help.size()) {
            std::size_t end = o.help.find(' ', at);
            if (end == std::string::npos) end = o.help.size();
            const std::string word = o.help.substr(at, end - at);
            if (line_has_words && line.size() + 1 + word.size() > line_width) {
                text += line + "\n";
                line = std::string(indent, ' ');
                line_has_words = false;
            }
            line += (line_has_words ? " " : "") + word;
            line_has_words = true;
            at = end + 1;
        }
        text += line + "\n";
    }
    return text;
}

}  // namespace ambiora_cli
