// `update_controls`, which brings every control of the configuration dialog in line with the
// settings: value texts, speaker toggles, the mode's enable states and the tray check box
// dependency. Which setting each control edits is a column of the settings table (settings.h).
//
// Threading: the dialog's thread only.
#pragma once

#include "platform.h"

namespace ambiora {

void update_controls(HWND dialog);

}  // namespace ambiora
