// The configuration dialog: a modal editor that writes every change to the settings at once, so
// the running DSP picks it up with its next chunk, and puts the processing settings back on
// Cancel.
#include "ui/config_dialog.h"

#include <commctrl.h>

#include <array>
#include <cstring>
#include <string>

#include "component_version.h"
#include "modes.h"
#include "runtime_state.h"
#include "settings.h"
#include "ui/dialog_controls.h"
#include "ui/dialog_status_text.h"
#include "ui/tray.h"
#include "ui/ui_resource_ids.h"

namespace ambiora {
namespace {

constexpr UINT_PTR status_timer = 1;
constexpr UINT status_period_ms = 10;

// The seventeen processing settings as they were when the dialog opened; Cancel writes them
// back. The tray settings are not part of it: their check boxes act on the icon at once, and
// Cancel leaves the icon as the user set it.
std::array<std::int32_t, processing_setting_count> settings_snapshot{};

// What the status line was last written for; `valid` is false right after opening so that the
// first tick always writes (the template text must never stay).
struct status_key {
    bool valid = false;
    std::int32_t mode = 0;
    std::uint32_t channels = 0;
    std::uint32_t rate = 0;
};
status_key status_cache;

void take_snapshot() {
    int i = 0;
    for (const setting_row& row : setting_table) {
        if (row.processing()) settings_snapshot[i++] = row.value();
    }
}

void restore_snapshot() {
    int i = 0;
    for (const setting_row& row : setting_table) {
        if (row.processing()) row.value() = settings_snapshot[i++];
    }
}

std::wstring widen(const char* ascii) {
    return std::wstring(ascii, ascii + strlen(ascii));
}

void fill_mode_list(HWND dialog) {
    for (const mode_row& mode : mode_table) {
        SendDlgItemMessageW(dialog, IDC_MODE_LIST, CB_ADDSTRING, 0, LPARAM(mode.list_text));
    }
    SendDlgItemMessageW(dialog, IDC_MODE_LIST, CB_SETCURSEL, WPARAM(cfg_mode.get()), 0);
}

// Slider ranges and positions, and the plain check boxes (update_controls sets the speaker
// toggles).
void set_up_controls(HWND dialog) {
    for (const setting_row& row : setting_table) {
        const int id = row.control_id;
        if (row.control == dialog_control::slider) {
            SendDlgItemMessageW(dialog, id, TBM_SETRANGEMIN, FALSE, row.min_value);
            SendDlgItemMessageW(dialog, id, TBM_SETRANGEMAX, TRUE, row.max_value);
            SendDlgItemMessageW(dialog, id, TBM_SETPOS, TRUE, row.value().get());
        } else if (row.control == dialog_control::check_box) {
            CheckDlgButton(dialog, id, row.value() != 0 ? BST_CHECKED : BST_UNCHECKED);
        }
    }
}

void on_open(HWND dialog) {
    take_snapshot();
    fill_mode_list(dialog);
    set_up_controls(dialog);
    const std::wstring version = widen(component_name) + L" " + widen(component_version);
    SetDlgItemTextW(dialog, IDC_VERSION_LINE, version.c_str());
    SetDlgItemTextW(dialog, IDC_COPYRIGHT_LINE, widen(copyright_line).c_str());
    update_controls(dialog);
    status_cache = status_key{};
    SetTimer(dialog, status_timer, status_period_ms, nullptr);
}

void read_sliders(HWND dialog) {
    for (const setting_row& row : setting_table) {
        if (row.control != dialog_control::slider) continue;
        row.value() = std::int32_t(SendDlgItemMessageW(dialog, row.control_id, TBM_GETPOS, 0, 0));
    }
}

// Every check box and speaker toggle, in table order.
void read_check_boxes(HWND dialog) {
    for (const setting_row& row : setting_table) {
        if (row.control != dialog_control::check_box &&
            row.control != dialog_control::speaker_toggle)
            continue;
        row.value() = IsDlgButtonChecked(dialog, row.control_id) == BST_CHECKED ? 1 : 0;
    }
}

// Shows or hides the icon after a tray check box may have changed.
void bring_tray_icon_in_line() {
    if (!cfg_tray_icon) {
        remove_tray_icon();
    } else if (playback_active.load(std::memory_order_relaxed) || !cfg_tray_only_when_playing) {
        add_tray_icon();
    } else {
        remove_tray_icon();
    }
}

void set_all_speakers(std::int32_t value) {
    for (const setting_row& row : setting_table) {
        if (row.control == dialog_control::speaker_toggle) row.value() = value;
    }
}

void on_command(HWND dialog, int id, int notification) {
    if (id == IDC_MODE_LIST && notification == CBN_SELCHANGE) {
        const LRESULT selected = SendDlgItemMessageW(dialog, IDC_MODE_LIST, CB_GETCURSEL, 0, 0);
        if (selected != CB_ERR) cfg_mode = std::int32_t(selected);
        update_tray_mode(cfg_mode);
    } else if (notification == BN_CLICKED) {
        switch (id) {
            case IDC_OK:
                EndDialog(dialog, 0);
                break;
            case IDC_CANCEL:
            case IDCANCEL:  // Escape, or any other cancel request of the dialog manager
                restore_snapshot();
                update_tray_mode(cfg_mode);
                EndDialog(dialog, 0);
                break;
            case IDC_MUTE_ALL:
                set_all_speakers(0);
                break;
            case IDC_UNMUTE_ALL:
                set_all_speakers(1);
                break;
            default:
                read_check_boxes(dialog);
                bring_tray_icon_in_line();
                break;
        }
    }
    update_controls(dialog);
}

void on_timer(HWND dialog) {
    const status_key now{true, cfg_mode, last_input_channels.load(std::memory_order_relaxed),
                         last_input_rate.load(std::memory_order_relaxed)};
    if (status_cache.valid && now.mode == status_cache.mode &&
        now.channels == status_cache.channels && now.rate == status_cache.rate) {
        return;
    }
    SetDlgItemTextW(dialog, IDC_STATUS,
                    dialog_status_text(now.mode, now.channels, now.rate).c_str());
    status_cache = now;
}

// Returns 0 for every message, initialisation included: the dialog manager then leaves the
// keyboard focus alone and does its default processing for everything.
INT_PTR CALLBACK config_dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            on_open(dialog);
            break;
        case WM_COMMAND:
            on_command(dialog, LOWORD(wparam), HIWORD(wparam));
            break;
        case WM_TIMER:
            if (wparam == status_timer) on_timer(dialog);
            break;
        case WM_HSCROLL:
            read_sliders(dialog);
            update_controls(dialog);
            break;
        default:
            break;
    }
    return 0;
}

// The module that holds this code and so the dialog resource: the component's DLL in the
// player, the test program when the component is linked into it.
HINSTANCE resource_module() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&config_dialog_procedure), &module);
    return module;
}

}  // namespace

bool run_config_dialog(HWND parent) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    const INT_PTR result = DialogBoxParamW(resource_module(), MAKEINTRESOURCEW(IDD_AMBIORA_CONFIG),
                                           parent, config_dialog_procedure, 0);
    return result != -1;
}

}  // namespace ambiora
