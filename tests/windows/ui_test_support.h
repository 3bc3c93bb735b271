// Shared pieces of the user-interface tests: the component brought up in this process with its
// tray thread, the configuration dialog opened through the DSP entry on a thread of its own, and
// small helpers to wait for the other threads and read the tray's record.
#pragma once

#include <gtest/gtest.h>

#include "platform.h"

#include <commctrl.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "component_host.h"
#include "runtime_state.h"
#include "settings.h"
#include "ui/tray.h"
#include "ui/tray_state.h"
#include "ui/tray_thread.h"

namespace ui_test {

using namespace ambiora;

// The component, attached in this process by the test environment, with its tray thread.
inline std::unique_ptr<host_sim::component_host> the_host;
inline host_sim::component_host& host() {
    return *the_host;
}

// Polls `condition` until it holds or `timeout_ms` has passed; returns its last answer.
inline bool wait_for(const std::function<bool()>& condition, int timeout_ms = 3000) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < DWORD(timeout_ms);) {
        if (condition()) return true;
        Sleep(5);
    }
    return condition();
}

// A menu item chosen, as the menu reports it to the tray window.
inline void choose_in_tray(int id) {
    SendMessageW(tray().window.load(), WM_COMMAND, id, 0);
}

// The mode whose picture the icon shows, or -1 while it is hidden.
inline int shown_mode() {
    std::lock_guard guard(tray().lock);
    for (int m = 0; tray().shown && m < mode_count; ++m) {
        if (tray().icons[m] == tray().record.hIcon) return m;
    }
    return -1;
}
// The tray menu's positions that carry a check mark.
inline std::vector<int> checked_positions() {
    std::lock_guard guard(tray().lock);
    std::vector<int> positions;
    const HMENU items = GetSubMenu(tray().menu, 0);
    for (int p = 0; p < GetMenuItemCount(items); ++p) {
        if (GetMenuState(items, p, MF_BYPOSITION) & MF_CHECKED) positions.push_back(p);
    }
    return positions;
}

// The configuration dialog, opened through the DSP entry's show-configuration operation on a
// thread of its own (the operation runs the dialog modally and returns when it closes), and
// given input as the dialog receives it from its controls.
class open_dialog {
  public:
    open_dialog()
        : thread_([this] {
              host_sim::host_preset preset;
              result_ = host().create<dsp_entry>()->show_config_popup(preset, nullptr);
              done_ = true;
          }) {
        // The caption exists from the moment the window is made, before its controls; the dialog
        // manager shows it once initialisation is over.
        wait_for([this] {
            window = FindWindowW(nullptr, L"Ambiora Configuration");
            return window != nullptr && IsWindowVisible(window);
        });
    }
    ~open_dialog() {
        if (IsWindow(window)) PostMessageW(window, WM_COMMAND, IDC_CANCEL, 0);
        thread_.join();
    }

    HWND item(int id) const { return GetDlgItem(window, id); }
    LRESULT send(int id, UINT message, WPARAM w = 0, LPARAM l = 0) const {
        return SendMessageW(item(id), message, w, l);
    }
    // The show-configuration call has returned, with success.
    bool closed() {
        return wait_for([this] { return done_ && !IsWindow(window); }) && result_;
    }

    void move_slider(int id, int position) {
        send(id, TBM_SETPOS, TRUE, position);
        SendMessageW(window, WM_HSCROLL, TB_THUMBTRACK, LPARAM(item(id)));
    }
    void select_mode(int mode) {
        send(IDC_MODE_LIST, CB_SETCURSEL, mode);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_MODE_LIST, CBN_SELCHANGE), 0);
    }
    void click(int id) { send(id, BM_CLICK); }

    std::wstring text(int id) const {
        wchar_t buffer[512] = {};
        GetWindowTextW(item(id), buffer, 512);
        return buffer;
    }
    bool enabled(int id) const { return IsWindowEnabled(item(id)) != FALSE; }
    bool checked(int id) const { return send(id, BM_GETCHECK) == BST_CHECKED; }
    // Waits until control `id` shows `expected`.
    bool wait_for_text(int id, const std::wstring& expected) {
        return wait_for([&] { return text(id) == expected; }, 2000);
    }

    HWND window = nullptr;

  private:
    std::atomic<bool> result_{false}, done_{false};
    std::thread thread_;
};

class ui_environment final : public ::testing::Environment {
  public:
    void SetUp() override {
        std::string error;
        the_host = host_sim::component_host::attach(&foobar2000_get_interface, error);
        ASSERT_TRUE(the_host) << error;
        the_host->start();
        // The module's load notification does this in the player; here the component lives in
        // the test program, whose resources carry the icons and the menu.
        start_tray_thread(GetModuleHandleW(nullptr));
        // The first window on a new virtual desktop waits for Wine to bring the desktop up.
        ASSERT_TRUE(wait_for([] { return tray().window.load() != nullptr; }, 60000));
    }
    void TearDown() override {
        stop_tray_thread(false);
        the_host.reset();
    }
};
inline auto* const environment = ::testing::AddGlobalTestEnvironment(new ui_environment);

// Every test starts from the default settings, no playback, no input seen and no icon.
class ui_test : public ::testing::Test {
  protected:
    void SetUp() override {
        restore_default_settings();
        playback_active = 0;
        forget_last_input();
        remove_tray_icon();
        update_tray_mode(cfg_mode);
    }
};

}  // namespace ui_test
