// The notification-area icon and its mode menu. Callable from any thread.
#pragma once

#include <cstdint>

namespace ambiora {

// Shows the icon with the picture of the current mode; does nothing if it is already shown.
void add_tray_icon();
// Removes the icon; harmless when it is not shown.
void remove_tray_icon();
// Moves the menu's check mark and the icon's picture to `mode`.
void update_tray_mode(std::int32_t mode);

}  // namespace ambiora
