#include "ui_test_support.h"

#include "platform.h"

#include <commctrl.h>

#include <atomic>
#include <cstdio>

#include "runtime_state.h"
#include "settings.h"
#include "ui/tray.h"
#include "ui/tray_state.h"
#include "ui/tray_thread.h"
#include "ui/ui_resource_ids.h"

namespace ui_test {
namespace {

std::unique_ptr<host_sim::component_host> the_host;

class ui_environment final : public ::testing::Environment {
  public:
    void SetUp() override {
        std::string error;
        the_host = host_sim::component_host::attach(&foobar2000_get_interface, error);
        ASSERT_TRUE(the_host) << error;
        the_host->start();
        // The module's load notification does this in the player; here the component lives in
        // the test program, whose resources carry the icons and the menu.
        ambiora::start_tray_thread(GetModuleHandleW(nullptr));
        // The first window on a new virtual desktop waits for Wine to bring the desktop up.
        const DWORD start = GetTickCount();
        ASSERT_TRUE(wait_for([] { return find_tray_window() != nullptr; }, 60000));
        std::printf("tray window after %lu ms\n", GetTickCount() - start);
    }
    void TearDown() override {
        ambiora::stop_tray_thread(false);
        the_host.reset();
    }
};

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new ui_environment);

constexpr const wchar_t* dialog_caption = L"Ambiora Configuration";

}  // namespace

host_sim::component_host& host() {
    return *the_host;
}

bool wait_for(const std::function<bool()>& condition, int timeout_ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return condition();
        Sleep(5);
    }
    return true;
}

std::vector<HWND> tray_windows() {
    // Another test program that loads the component may have a tray window of its own on the
    // same desktop; only this process's count.
    std::vector<HWND> found;
    HWND w = nullptr;
    while ((w = FindWindowExW(HWND_MESSAGE, w, ambiora::tray_window_class,
                              ambiora::tray_window_class)) != nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        if (process == GetCurrentProcessId()) found.push_back(w);
    }
    return found;
}

HWND find_tray_window() {
    const std::vector<HWND> found = tray_windows();
    return found.empty() ? nullptr : found.front();
}

HWND wait_for_tray_window() {
    wait_for([] { return find_tray_window() != nullptr; }, 5000);
    return find_tray_window();
}

bool tray_icon_shown() {
    std::lock_guard guard(ambiora::tray().lock);
    return ambiora::tray().shown;
}

open_dialog::open_dialog() {
    thread_ = std::thread([this] {
        auto entry = host().create<dsp_entry>();
        host_sim::host_preset preset;
        result_ = entry && entry->show_config_popup(preset, nullptr);
        done_ = true;
    });
    // The caption exists from the moment the dialog's window is made, before its controls; the
    // dialog manager shows it once initialisation is over.
    wait_for([this] {
        window_ = FindWindowW(nullptr, dialog_caption);
        return window_ != nullptr && IsWindowVisible(window_);
    });
}

open_dialog::~open_dialog() {
    if (window_ != nullptr && IsWindow(window_)) {
        PostMessageW(window_, WM_COMMAND, MAKEWPARAM(IDC_CANCEL, BN_CLICKED),
                     LPARAM(item(IDC_CANCEL)));
    }
    thread_.join();
}

bool open_dialog::closed() {
    return wait_for([this] { return done_ && !IsWindow(window_); });
}

void open_dialog::move_slider(int id, int position) {
    SendMessageW(item(id), TBM_SETPOS, TRUE, position);
    SendMessageW(window_, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), LPARAM(item(id)));
}

void open_dialog::select_mode(int mode) {
    SendMessageW(item(IDC_MODE_LIST), CB_SETCURSEL, mode, 0);
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(IDC_MODE_LIST, CBN_SELCHANGE),
                 LPARAM(item(IDC_MODE_LIST)));
}

void open_dialog::click(int id) {
    SendMessageW(item(id), BM_CLICK, 0, 0);
}

// Through the dialog's own message loop, as a key press arrives: the dialog manager turns
// Escape into its cancel command.
void open_dialog::press_escape() {
    PostMessageW(item(IDC_OK), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageW(item(IDC_OK), WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

std::wstring open_dialog::text(int id) const {
    wchar_t buffer[512] = {};
    GetWindowTextW(item(id), buffer, 512);
    return buffer;
}

bool open_dialog::checked(int id) const {
    return SendMessageW(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool open_dialog::wait_for_text(int id, const std::wstring& expected) {
    return wait_for([&] { return text(id) == expected; }, 2000);
}

void ui_test::SetUp() {
    ambiora::restore_default_settings();
    ambiora::playback_active = 0;
    ambiora::forget_last_input();
    ambiora::remove_tray_icon();
    ambiora::update_tray_mode(ambiora::cfg_mode);
}

void ui_test::TearDown() {
    ambiora::remove_tray_icon();
    ambiora::playback_active = 0;
}

}  // namespace ui_test
