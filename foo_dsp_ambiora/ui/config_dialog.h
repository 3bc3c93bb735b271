// The configuration dialog, opened by the DSP entry.
#pragma once

#include "platform.h"

namespace ambiora {

// Runs the dialog modally, owned by `parent`; returns true once it has closed, whichever button
// closed it, and false only if the dialog could not be created. Where there is no windowing
// system (the Linux build) nothing is shown and it returns true, as for a dialog closed at once.
bool run_config_dialog(HWND parent);

}  // namespace ambiora
