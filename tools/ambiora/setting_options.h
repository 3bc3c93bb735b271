// The setting options (`--surround-delay MS` ...), their values and their help, all made from the
// component's settings table, so that a setting added there appears here without another edit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "option_parser.h"
#include "settings.h"

namespace ambiora_cli {

struct setting_assignment {
    const ambiora::setting_row* setting;
    std::int32_t value;
};

// A processing setting by the name people write: "surround-delay" or "--surround-delay".
// Null when there is none (or when it names one of the tray settings, which do not process).
const ambiora::setting_row* find_processing_setting(const std::string& name);

// Reads a value for `setting`. `origin` says where it came from, for messages ("--mode",
// "plan.txt:3: mode"). A value that is not a whole number (or, for the mode, a mode's name) is a
// usage_error; a whole number outside the setting's range is warned about and passed on as it
// stands, as a damaged stored configuration would reach the engine.
std::int32_t parse_setting_value(const ambiora::setting_row& setting, const std::string& text,
                                 const std::string& origin);

// Warns "ORIGIN VALUE is outside RANGE; passed on as it stands" when it is.
void warn_if_outside_range(const ambiora::setting_row& setting, std::int32_t value,
                           const std::string& origin);

// One option per processing setting; every occurrence appends to `assignments` (applied later,
// after any stored settings are loaded, so the command line has the last word).
std::vector<option_spec> setting_options(std::vector<setting_assignment>& assignments);

// Writes the values into the component's settings, as its dialog does while a control moves.
void apply_settings(const std::vector<setting_assignment>& assignments);

// "20 ms", "4 (Ambiora-AS2)", "1 (on)".
std::string describe_setting_value(const ambiora::setting_row& setting, std::int32_t value);

// "0 Bypass, 1 Ambiora+C, ...".
std::string mode_list();

// "0 to 100 ms".
std::string describe_setting_range(const ambiora::setting_row& setting);

}  // namespace ambiora_cli
