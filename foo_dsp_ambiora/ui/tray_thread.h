// Starting and stopping the tray's own thread. Called by the module's load and unload
// notifications; the Windows tests, which link the component into their program, call them too.
#pragma once

#include "platform.h"

namespace ambiora {

// Starts `tray_thread`, which registers its window class against `instance`, waits a second and
// then runs the hidden tray window until asked to stop.
void start_tray_thread(HINSTANCE instance);

// Removes the icon, asks the thread to end and waits at most 10 s for it. `process_ending`: the
// whole process is exiting, its other threads are already gone and nothing is waited for.
void stop_tray_thread(bool process_ending);

}  // namespace ambiora
