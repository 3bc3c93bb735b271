// The configuration dialog's status line: whether the selected mode acts on the source that the
// DSP last saw.
#pragma once

#include <cstdint>
#include <string>

namespace ambiora {

// The text for `mode` given the last chunk's channel count and sample rate (0, 0 when no audio
// has come since the last stop, seek or flush): the mode's name, a line feed (a static control
// breaks its text there) and what the mode does with that source. A mode outside the table gets
// "".
std::wstring dialog_status_text(std::int32_t mode, std::uint32_t channels, std::uint32_t rate);

}  // namespace ambiora
