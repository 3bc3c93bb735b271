// The user interface where there is none: the Linux build of the component has no notification
// area and no dialog, so the tray routines do nothing and the dialog reports that nothing opened.
#include "ui/config_dialog.h"
#include "ui/tray.h"

namespace ambiora {

void add_tray_icon() {}
void remove_tray_icon() {}
void update_tray_mode(std::int32_t) {}
bool run_config_dialog(HWND) { return false; }

}  // namespace ambiora
