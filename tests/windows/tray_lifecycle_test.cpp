// Starting and stopping the tray thread: the bounded wait at unload, icon requests that come
// before the window exists, and the component's DLL unloaded from disk.
#include <chrono>

#include "runtime_state.h"
#include "settings.h"
#include "ui/tray.h"
#include "ui/tray_state.h"
#include "ui/tray_thread.h"
#include "ui/ui_resource_ids.h"
#include "ui_test_support.h"

namespace ui_test {
namespace {

using namespace ambiora;
using clock_type = std::chrono::steady_clock;

long long milliseconds_since(clock_type::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock_type::now() - start).count();
}

long long timed_stop() {
    const auto start = clock_type::now();
    stop_tray_thread(false);
    return milliseconds_since(start);
}

void restart_tray_thread() {
    start_tray_thread(GetModuleHandleW(nullptr));
    ASSERT_NE(wait_for_tray_window(), nullptr);
}

int tray_window_count() {
    return int(tray_windows().size());
}

class tray_lifecycle : public ui_test {};

TEST_F(tray_lifecycle, stopping_ends_the_thread_promptly_and_removes_the_icon) {
    playback_active = 1;
    add_tray_icon();
    ASSERT_TRUE(tray_icon_shown());
    const long long took = timed_stop();
    EXPECT_LT(took, 1000);
    EXPECT_EQ(tray().done.load(), 1);
    EXPECT_FALSE(tray_icon_shown());
    EXPECT_EQ(find_tray_window(), nullptr);
    std::printf("tray thread stopped in %lld ms\n", took);
    restart_tray_thread();
}

TEST_F(tray_lifecycle, an_icon_request_before_the_window_exists_is_carried_out_at_creation) {
    stop_tray_thread(false);
    playback_active = 1;
    add_tray_icon();  // as the play callback would in the first second after load
    EXPECT_FALSE(tray_icon_shown());
    restart_tray_thread();
    EXPECT_TRUE(tray_icon_shown());

    // The last request wins: an add taken back by a remove shows nothing.
    stop_tray_thread(false);
    add_tray_icon();
    remove_tray_icon();
    restart_tray_thread();
    EXPECT_FALSE(tray_icon_shown());

    // Shown always: the window's creation adds it without any request.
    stop_tray_thread(false);
    cfg_tray_only_when_playing = 0;
    playback_active = 0;
    restart_tray_thread();
    EXPECT_TRUE(tray_icon_shown());
}

// A thread that owns a window with the dialog's caption but never reads its messages: the tray
// thread, asked to set that "dialog's" mode list, waits on it for good.
class unresponsive_dialog {
  public:
    unresponsive_dialog() {
        thread_ = std::thread([this] {
            window_ = CreateWindowExW(0, L"STATIC", L"Ambiora Configuration", WS_POPUP, 0, 0, 10,
                                      10, nullptr, nullptr, nullptr, nullptr);
            CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 1, 1, window_,
                            HMENU(INT_PTR(IDC_MODE_LIST)), nullptr, nullptr);
            created_ = true;
            while (!release_) Sleep(10);  // not pumping
            MSG m;
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
            DestroyWindow(window_);
        });
        wait_for([this] { return created_.load(); });
    }
    ~unresponsive_dialog() {
        release_ = true;
        thread_.join();
    }

  private:
    std::thread thread_;
    HWND window_ = nullptr;
    std::atomic<bool> created_{false};
    std::atomic<bool> release_{false};
};

TEST_F(tray_lifecycle, stopping_a_stuck_thread_gives_up_after_ten_seconds) {
    {
        unresponsive_dialog stuck;
        PostMessageW(find_tray_window(), WM_COMMAND, ID_TRAY_ENCODE, 0);
        Sleep(200);
        const long long took = timed_stop();
        std::printf("stuck tray thread: gave up after %lld ms\n", took);
        EXPECT_GE(took, 10000);
        EXPECT_LT(took, 11000);
        EXPECT_EQ(tray().done.load(), 0);
    }
    // Released, the thread finishes its command, sees the request to quit and ends.
    EXPECT_TRUE(wait_for([] { return tray().done.load() == 1; }));
    restart_tray_thread();
}

TEST_F(tray_lifecycle, the_dll_stops_its_tray_thread_when_unloaded) {
    HMODULE dll = LoadLibraryW(L"" AMBIORA_COMPONENT_FILE);
    ASSERT_NE(dll, nullptr);
    ASSERT_TRUE(wait_for([] { return tray_window_count() == 2; }, 5000));
    auto start = clock_type::now();
    FreeLibrary(dll);
    const long long took = milliseconds_since(start);
    std::printf("DLL unloaded in %lld ms\n", took);
    EXPECT_LT(took, 10000);
    EXPECT_EQ(tray_window_count(), 1);

    // Unloaded at once, before its thread ever ran: no wait, and nothing runs afterwards in the
    // unmapped code.
    dll = LoadLibraryW(L"" AMBIORA_COMPONENT_FILE);
    ASSERT_NE(dll, nullptr);
    start = clock_type::now();
    FreeLibrary(dll);
    const long long quick = milliseconds_since(start);
    std::printf("DLL unloaded right after loading in %lld ms\n", quick);
    EXPECT_LT(quick, 1500);
    Sleep(1500);
    EXPECT_EQ(tray_window_count(), 1);
}

}  // namespace
}  // namespace ui_test
