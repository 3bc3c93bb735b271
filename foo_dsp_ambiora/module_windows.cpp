// DllMain of the component: remembers the module handle and marks where per-process work starts
// and ends.
//
// DllMain runs under the loader lock. Anything placed in the hooks below must not load libraries,
// wait on other threads or take locks those threads might hold: a thread that is being started
// here only begins running after DllMain returns, and a thread that is asked to stop here cannot
// finish exiting while we hold the lock. Long-lived threads (the tray icon) are therefore joined
// from the host's shutdown path and only signalled here.
#if defined(_WIN32)
#include "module_windows.h"

#include "ui/tray_thread.h"

namespace {

HINSTANCE module_instance = nullptr;

// The DLL has been mapped into the player's process. The tray thread is started from here.
void on_process_attach() {
    ambiora::start_tray_thread(module_instance);
}

// The DLL is being unmapped. `process_ending` is true when the whole process is exiting: every
// other thread has then already been terminated and must not be waited for. On a library unload
// the tray thread is waited for (at most 10 s) through a flag it sets before it needs the loader
// lock, not by joining it.
void on_process_detach(bool process_ending) {
    ambiora::stop_tray_thread(process_ending);
}

}  // namespace

HINSTANCE ambiora_module_instance() {
    return module_instance;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            module_instance = instance;
            on_process_attach();
            break;
        case DLL_PROCESS_DETACH:
            // A non-null `reserved` on detach means process termination, null means FreeLibrary.
            on_process_detach(reserved != nullptr);
            break;
        default:
            break;
    }
    return TRUE;
}
#endif
