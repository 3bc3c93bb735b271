// Shared pieces of the user-interface tests: the component brought up in this process with its
// tray thread, the configuration dialog opened through the DSP entry on a thread of its own, and
// small helpers to wait for the other threads.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "component_host.h"
#include "platform.h"

namespace ui_test {

host_sim::component_host& host();

// Polls `condition` until it holds or `timeout_ms` has passed; returns its last answer.
bool wait_for(const std::function<bool()>& condition, int timeout_ms = 3000);

// The tray windows of this process (the component's DLL, when loaded, has one of its own).
std::vector<HWND> tray_windows();
// The tray's hidden window, or null.
HWND find_tray_window();

// Waits for the tray thread's window (it appears a second after the thread starts).
HWND wait_for_tray_window();

// Whether the tray record says the icon is shown, read under the tray's lock.
bool tray_icon_shown();

// The configuration dialog, opened through the DSP entry's show-configuration operation on a
// thread of its own (the operation runs the dialog modally and returns when it closes).
class open_dialog {
  public:
    open_dialog();
    ~open_dialog();  // presses Cancel if the dialog is still open, then joins the thread

    HWND window() const { return window_; }
    HWND item(int id) const { return GetDlgItem(window_, id); }
    bool closed();  // the show-configuration call has returned
    bool show_result() const { return result_; }

    // Input as the dialog receives it from its controls.
    void move_slider(int id, int position);
    void select_mode(int mode);
    void click(int id);
    void press_escape();

    std::wstring text(int id) const;
    bool enabled(int id) const { return IsWindowEnabled(item(id)) != FALSE; }
    bool checked(int id) const;
    // Waits until control `id` shows `expected`.
    bool wait_for_text(int id, const std::wstring& expected);

  private:
    std::thread thread_;
    HWND window_ = nullptr;
    bool result_ = false;
    std::atomic<bool> done_{false};
};

// Every test starts from the default settings, no playback and no input seen.
class ui_test : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace ui_test
