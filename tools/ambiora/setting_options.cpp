#include "setting_options.h"

#include <cctype>
#include <charconv>
#include <limits>

#include "messages.h"
#include "modes.h"

namespace ambiora_cli {
namespace {

using ambiora::setting_row;
using ambiora::setting_unit;

const char* unit_suffix(setting_unit unit) {
    switch (unit) {
        case setting_unit::milliseconds:
            return " ms";
        case setting_unit::percent:
            return " %";
        case setting_unit::decibels:
            return " dB";
        case setting_unit::hertz:
            return " Hz";
        case setting_unit::mode:
        case setting_unit::on_off:
            return "";
    }
    return "";
}

const char* value_placeholder(setting_unit unit) {
    switch (unit) {
        case setting_unit::mode:
            return "N|NAME";
        case setting_unit::milliseconds:
            return "MS";
        case setting_unit::percent:
            return "PCT";
        case setting_unit::decibels:
            return "DB";
        case setting_unit::hertz:
            return "HZ";
        case setting_unit::on_off:
            return "0|1";
    }
    return "VALUE";
}

// Mode names compare without case, spaces, dashes or underscores, with or without the leading
// "Ambiora": "Ambiora Headphone Movie", "headphone-movie" and "HeadphoneMovie" are one mode.
std::string fold_mode_name(const std::string& text) {
    std::string folded;
    for (const char c : text) {
        if (c == ' ' || c == '-' || c == '_') continue;
        folded += char(std::tolower(static_cast<unsigned char>(c)));
    }
    const std::string prefix = "ambiora";
    if (folded.size() > prefix.size() && folded.rfind(prefix, 0) == 0) {
        folded.erase(0, prefix.size());
    }
    return folded;
}

bool parse_whole_number(const std::string& text, std::int64_t& value) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    if (first == last) return false;
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last;
}

bool parse_mode_name(const std::string& text, std::int32_t& mode) {
    const std::string wanted = fold_mode_name(text);
    for (std::int32_t m = 0; m < ambiora::mode_count; ++m) {
        if (fold_mode_name(ambiora::mode_table[m].name) == wanted) {
            mode = m;
            return true;
        }
    }
    return false;
}

bool parse_switch_word(const std::string& text, std::int32_t& value) {
    if (text == "on" || text == "yes" || text == "true") {
        value = 1;
        return true;
    }
    if (text == "off" || text == "no" || text == "false") {
        value = 0;
        return true;
    }
    return false;
}

std::string expected_value(const setting_row& setting) {
    switch (setting.unit) {
        case setting_unit::mode:
            return "a mode number or name (" + mode_list() + ")";
        case setting_unit::on_off:
            return "0 or 1 (or on/off, yes/no, true/false)";
        default:
            return std::string("a whole number of") + unit_suffix(setting.unit);
    }
}

}  // namespace

const setting_row* find_processing_setting(const std::string& name) {
    std::string bare = name;
    while (!bare.empty() && bare[0] == '-') bare.erase(0, 1);
    const setting_row* setting = ambiora::find_setting(bare.c_str());
    return setting != nullptr && setting->processing() ? setting : nullptr;
}

std::int32_t parse_setting_value(const setting_row& setting, const std::string& text,
                                 const std::string& origin) {
    std::int32_t value = 0;
    if (setting.unit == setting_unit::mode && parse_mode_name(text, value)) return value;
    if (setting.unit == setting_unit::on_off && parse_switch_word(text, value)) return value;
    std::int64_t wide = 0;
    if (!parse_whole_number(text, wide)) {
        throw usage_error(origin + " needs " + expected_value(setting) + ", not '" + text + "'");
    }
    if (wide < std::numeric_limits<std::int32_t>::min() ||
        wide > std::numeric_limits<std::int32_t>::max()) {
        throw usage_error(origin + " " + text + " does not fit the setting's 32 bits");
    }
    value = std::int32_t(wide);
    warn_if_outside_range(setting, value, origin);
    return value;
}

std::vector<option_spec> setting_options(std::vector<setting_assignment>& assignments) {
    std::vector<option_spec> options;
    for (const setting_row& setting : ambiora::setting_table) {
        if (!setting.processing()) continue;
        const std::string name = setting.name;
        std::string help = setting.meaning;
        help += " (" + describe_setting_range(setting) + ", default " +
                std::to_string(setting.default_value) + unit_suffix(setting.unit);
        if (setting.unit == setting_unit::mode) {
            help += " = " + std::string(ambiora::mode_table[setting.default_value].name);
        }
        help += ")";
        options.push_back({name, value_placeholder(setting.unit), help,
                           [&assignments, &setting, name](const std::string& value) {
                               assignments.push_back(
                                   {&setting, parse_setting_value(setting, value, "--" + name)});
                           }});
    }
    return options;
}

void apply_settings(const std::vector<setting_assignment>& assignments) {
    for (const setting_assignment& a : assignments) a.setting->value() = a.value;
}

std::string describe_setting_value(const setting_row& setting, std::int32_t value) {
    const std::string number = std::to_string(value);
    switch (setting.unit) {
        case setting_unit::mode: {
            const ambiora::mode_row* mode = ambiora::find_mode(value);
            return number + " (" + (mode != nullptr ? mode->name : "not a mode: Bypass") + ")";
        }
        case setting_unit::on_off:
            return number + (value != 0 ? " (on)" : " (off)");
        default:
            return number + unit_suffix(setting.unit);
    }
}

std::string mode_list() {
    std::string list;
    for (std::int32_t m = 0; m < ambiora::mode_count; ++m) {
        if (!list.empty()) list += ", ";
        list += std::to_string(m) + " " + ambiora::mode_table[m].name;
    }
    return list;
}

void warn_if_outside_range(const setting_row& setting, std::int32_t value,
                           const std::string& origin) {
    if (value >= setting.min_value && value <= setting.max_value) return;
    std::string consequence = "passed on as it stands";
    if (setting.unit == setting_unit::mode) consequence += "; the engine treats it as Bypass";
    if (setting.unit == setting_unit::on_off) consequence += "; any value but 0 means on";
    warn(origin + " " + std::to_string(value) + " is outside " + describe_setting_range(setting) +
         "; " + consequence);
}

std::string describe_setting_range(const setting_row& setting) {
    if (setting.unit == setting_unit::on_off) return "0 or 1";
    return std::to_string(setting.min_value) + " to " + std::to_string(setting.max_value) +
           unit_suffix(setting.unit);
}

}  // namespace ambiora_cli
