// The Windows module: the DLL's own instance handle, kept from the moment the loader maps it.
//
// Dialogs, icons and menus are loaded from the DLL's resources, and the tray icon's window class
// is registered against it, so everything that touches resources asks here rather than for the
// process's main module.
#pragma once

#if defined(_WIN32)
#include "platform.h"

// The handle the loader passed to DllMain; null only before the DLL has been attached.
HINSTANCE ambiora_module_instance();
#endif
