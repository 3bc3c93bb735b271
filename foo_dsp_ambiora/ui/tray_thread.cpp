// tray_thread: registers the tray window's class, creates the hidden message-only window a second
// after load and runs its messages until the module is unloaded.
#include "ui/tray_thread.h"

#include "ui/tray.h"
#include "ui/tray_state.h"

namespace ambiora {
namespace {

// Kept only to cut short a thread that never got to run (see stop_tray_thread).
HANDLE tray_thread_handle = nullptr;
std::atomic<LONG> tray_thread_running{0};

void run_messages(tray_state& state) {
    MSG message{};
    BOOL taken = PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
    while (!(taken && message.message == WM_QUIT)) {
        if (taken) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        } else if (state.quit.load()) {
            const HWND window = state.window.load();
            // Its WM_DESTROY removes the icon and posts the quit message.
            if (window != nullptr) DestroyWindow(window);
        } else {
            Sleep(100);
        }
        taken = PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
    }
}

DWORD WINAPI tray_thread(LPVOID) {
    tray_thread_running.store(1);
    tray_state& state = tray();

    WNDCLASSW window_class{};
    window_class.style = CS_CLASSDC;
    window_class.lpfnWndProc = tray_window_procedure;
    window_class.hInstance = state.instance;
    window_class.lpszClassName = tray_window_class;
    RegisterClassW(&window_class);

    // The player is still starting up; the icon comes a second later.
    Sleep(1000);

    // An unload during that second needs no window at all.
    if (!state.quit.load()) {
        const HWND window =
            CreateWindowExW(0, tray_window_class, tray_window_class, WS_OVERLAPPEDWINDOW, 100, 100,
                            300, 300, HWND_MESSAGE, nullptr, state.instance, nullptr);
        if (window != nullptr) run_messages(state);
    }

    state.window.store(nullptr);
    // The class names our window procedure: a later load of the library at another address
    // must not find it still registered.
    UnregisterClassW(tray_window_class, state.instance);
    state.done.store(1);
    // Straight into the system: the unloading thread may unmap this code as soon as it sees done.
    ExitThread(0);
}

}  // namespace

void start_tray_thread(HINSTANCE instance) {
    tray_state& state = tray();
    state.instance = instance;
    state.quit.store(0);
    state.done.store(0);
    tray_thread_running.store(0);
    tray_thread_handle = CreateThread(nullptr, 0, tray_thread, nullptr, 0, nullptr);
}

void stop_tray_thread(bool process_ending) {
    tray_state& state = tray();
    if (process_ending) {
        // The system has already ended every other thread, perhaps one inside a tray routine
        // that still holds the lock: take the icon away only if the lock is free, and wait for
        // nobody (the tray thread is gone, a wait would always last the full 10 s).
        if (state.lock.try_lock()) {
            remove_tray_icon_locked(state);
            state.lock.unlock();
        }
        return;
    }
    remove_tray_icon();
    state.done.store(0);
    state.quit.store(1);
    if (tray_thread_handle == nullptr) return;
    if (!tray_thread_running.load() && WaitForSingleObject(tray_thread_handle, 0) == WAIT_TIMEOUT) {
        // The library is being unloaded right after it was loaded and the thread has not even
        // begun: it waits for the loader lock that our caller holds, so it could neither finish
        // nor be waited for, and it would then start in unmapped code. End it where it stands.
        TerminateThread(tray_thread_handle, 0);
    } else {
        const DWORD start = GetTickCount();
        while (!state.done.load()) {
            Sleep(10);
            if (GetTickCount() - start > 10000) break;
        }
    }
    CloseHandle(tray_thread_handle);
    tray_thread_handle = nullptr;
}

}  // namespace ambiora
