// The configuration dialog, opened by the DSP entry.
#pragma once

#include "platform.h"

namespace ambiora {

// Runs the dialog modally, owned by `parent`; returns true once it has closed, whichever button
// closed it. Where there is no windowing system (the Linux build) nothing is shown and it returns
// false.
bool run_config_dialog(HWND parent);

}  // namespace ambiora
