// The warning for a mode that cannot act on the input: the dialog's status line for the same
// situation, what happens to the audio instead, and what the user could do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ambiora_cli {

// None when `mode` acts on a source of `channels` at `rate`.
std::optional<std::string> mode_warning(std::int32_t mode, unsigned channels, unsigned rate);

}  // namespace ambiora_cli
