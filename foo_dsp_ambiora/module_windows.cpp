// DllMain of the component: starts the tray thread when the DLL is mapped and stops it when the
// DLL is unmapped.
//
// DllMain runs under the loader lock, so nothing here may load libraries, join a thread or take a
// lock another thread might hold while it waits for the loader. A thread started here only begins
// running after DllMain returns. On unload the tray thread is not joined (its exit needs the
// loader lock we hold): stop_tray_thread asks it to quit and polls, for at most 10 s, a flag the
// thread sets just before it ends (ui/tray_thread.cpp).
#if defined(_WIN32)
#include "platform.h"
#include "ui/tray_thread.h"

namespace {

// The DLL has been mapped into the player's process; its handle names our resources.
void on_process_attach(HINSTANCE instance) {
    ambiora::start_tray_thread(instance);
}

// The DLL is being unmapped. `process_ending` is true when the whole process is exiting: every
// other thread has then already been terminated and must not be waited for. On a library unload
// the tray thread is waited for (at most 10 s) through a flag it sets before it needs the loader
// lock, not by joining it.
void on_process_detach(bool process_ending) {
    ambiora::stop_tray_thread(process_ending);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            on_process_attach(instance);
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
