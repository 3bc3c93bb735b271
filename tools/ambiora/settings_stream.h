// The component's stored settings stream seen from outside: checking a file before the component
// is handed it, and reading values back out of a stream the component wrote.
//
// The component itself does all the loading and saving (through its client object); here we only
// walk the record headers: 16 bytes GUID, u32 little-endian payload length, payload.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings.h"

namespace ambiora_cli {

// Throws run_error when `bytes` (read from `path`) is not a settings stream the component would
// load: a record cut short, or no record of any of the component's settings. An empty stream is
// accepted (every setting keeps its default).
void check_settings_stream(const std::vector<unsigned char>& bytes, const std::string& path);

// The value the stream stores for `setting`; none when its record is missing or not 4 bytes.
std::optional<std::int32_t> stored_value(const std::vector<unsigned char>& bytes,
                                         const ambiora::setting_row& setting);

}  // namespace ambiora_cli
