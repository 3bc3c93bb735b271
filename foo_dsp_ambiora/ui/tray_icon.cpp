// The notification-area icon: showing, hiding and switching its picture and the menu's check
// marks. Each public routine takes the tray lock for its whole run.
#include <cwchar>

#include "modes.h"
#include "settings.h"
#include "ui/tray.h"
#include "ui/tray_state.h"

namespace ambiora {
namespace {

// A mode outside 0 to 8 can only come from a damaged stored configuration; the engine runs it as
// Bypass, so the tray shows the Bypass picture rather than look past its nine icons.
HICON icon_for_mode(const tray_state& state, std::int32_t mode) {
    return state.icons[find_mode(mode) != nullptr ? mode : 0];
}

void load_mode_icons(tray_state& state) {
    for (std::int32_t mode = 0; mode < mode_count; ++mode) {
        state.icons[mode] = static_cast<HICON>(LoadImageW(
            state.instance, MAKEINTRESOURCEW(mode_table[mode].tray_icon_id), IMAGE_ICON, 0, 0, 0));
    }
}

void free_mode_icons(tray_state& state) {
    for (HICON& icon : state.icons) {
        if (icon != nullptr) DestroyIcon(icon);
        icon = nullptr;
    }
}

}  // namespace

tray_state& tray() {
    static tray_state state;
    return state;
}

void add_tray_icon_locked(tray_state& state) {
    if (state.shown) return;
    const HWND window = state.window.load();
    if (window == nullptr) {
        // Before the window exists an icon would have no owner to send its clicks to; the
        // window's creation shows it instead.
        state.show_requested = true;
        return;
    }
    load_mode_icons(state);
    NOTIFYICONDATAW& r = state.record;
    r = NOTIFYICONDATAW{};
    r.cbSize = tray_record_size;
    r.hWnd = window;
    r.uID = 0;
    r.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    r.uCallbackMessage = WM_APP;
    r.hIcon = icon_for_mode(state, cfg_mode);
    wcsncpy(r.szTip, tray_tip_text, 63);
    r.szTip[63] = L'\0';
    Shell_NotifyIconW(NIM_ADD, &r);
    state.shown = true;
}

void remove_tray_icon_locked(tray_state& state) {
    state.show_requested = false;
    if (state.record.cbSize != 0) Shell_NotifyIconW(NIM_DELETE, &state.record);
    state.shown = false;
    state.record.hIcon = nullptr;
    free_mode_icons(state);
}

void update_tray_mode_locked(tray_state& state, std::int32_t mode) {
    if (state.menu == nullptr) return;
    const HMENU items = GetSubMenu(state.menu, 0);
    for (std::int32_t position = 0; position < mode_count; ++position) {
        // The item's whole state becomes the check mark or nothing.
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STATE;
        item.fState = position == mode ? MFS_CHECKED : 0;
        SetMenuItemInfoW(items, position, TRUE, &item);
    }
    // While the icon is hidden no icons are loaded and the shell would refuse the change anyway;
    // the next add picks the picture from cfg_mode.
    if (!state.shown) return;
    state.record.hIcon = icon_for_mode(state, mode);
    Shell_NotifyIconW(NIM_MODIFY, &state.record);
}

void add_tray_icon() {
    tray_state& state = tray();
    std::lock_guard guard(state.lock);
    add_tray_icon_locked(state);
}

void remove_tray_icon() {
    tray_state& state = tray();
    std::lock_guard guard(state.lock);
    remove_tray_icon_locked(state);
}

void update_tray_mode(std::int32_t mode) {
    tray_state& state = tray();
    std::lock_guard guard(state.lock);
    update_tray_mode_locked(state, mode);
}

}  // namespace ambiora
