// The user interface where there is none: the Linux build of the component has no notification
// area and no dialog, so the tray routines do nothing and the dialog behaves as one closed at once
// without a change: the settings stay as they are, and the entry reports the dialog closed (true),
// as it does whichever button closes the real one.
#include "ui/config_dialog.h"
#include "ui/tray.h"

namespace ambiora {

void add_tray_icon() {}
void remove_tray_icon() {}
void update_tray_mode(std::int32_t) {}
bool run_config_dialog(HWND) {
    return true;
}

}  // namespace ambiora
