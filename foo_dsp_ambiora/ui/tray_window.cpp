// The hidden tray window: owner of the notification-area icon, receiver of its clicks and of the
// mode menu's commands. Runs on tray_thread.
#include "modes.h"
#include "settings.h"
#include "ui/tray.h"
#include "ui/tray_state.h"
#include "ui/ui_resource_ids.h"

namespace ambiora {
namespace {

constexpr const wchar_t* config_dialog_caption = L"Ambiora Configuration";

void on_create(HWND window) {
    tray_state& state = tray();
    std::lock_guard guard(state.lock);
    state.menu = LoadMenuW(state.instance, MAKEINTRESOURCEW(IDM_TRAY_MENU));
    state.window.store(window);
    // A request to show the icon made before this moment (by the play callback or the dialog in
    // the first second after load) was remembered rather than carried out with no owner window;
    // it is honoured now, together with the show-always case.
    const bool early_request = state.show_requested;
    state.shown = false;
    state.show_requested = false;
    if ((cfg_tray_icon && !cfg_tray_only_when_playing) || early_request) {
        add_tray_icon_locked(state);
    }
    update_tray_mode_locked(state, cfg_mode);
}

void open_mode_menu(HWND window) {
    const HMENU menu = tray().menu;
    if (menu == nullptr) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    SetForegroundWindow(window);
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, nullptr);
    // Lets the menu close properly when the user clicks elsewhere.
    PostMessageW(window, WM_NULL, 0, 0);
}

void on_menu_command(int id) {
    const std::int32_t chosen = mode_of_tray_menu_id(id);
    if (chosen >= 0) cfg_mode = chosen;
    // Keep an open configuration dialog's mode list in step. Setting the selection directly does
    // not run the dialog's own selection-change handling.
    if (const HWND dialog = FindWindowW(nullptr, config_dialog_caption)) {
        SendDlgItemMessageW(dialog, IDC_MODE_LIST, CB_SETCURSEL, WPARAM(cfg_mode.get()), 0);
    }
    update_tray_mode(cfg_mode);
}

void on_destroy() {
    tray_state& state = tray();
    std::lock_guard guard(state.lock);
    if (state.menu != nullptr) DestroyMenu(state.menu);
    state.menu = nullptr;
    remove_tray_icon_locked(state);
    // From here on an icon request must not name this window any more.
    state.window.store(nullptr);
    PostQuitMessage(0);
}

}  // namespace

LRESULT CALLBACK tray_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            on_create(window);
            break;
        case WM_APP:
            // Only a left press opens the menu; the right button and other events are ignored.
            if (LOWORD(lparam) == WM_LBUTTONDOWN) open_mode_menu(window);
            break;
        case WM_COMMAND:
            on_menu_command(LOWORD(wparam));
            break;
        case WM_DESTROY:
            on_destroy();
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace ambiora
