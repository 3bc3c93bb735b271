// The icon as the user sees it: the virtual desktop's taskbar shows the mode's picture while the
// icon is shown and no longer once it is removed. Also writes the documentation's screenshots
// when AMBIORA_UI_SCREENSHOT_DIR names a folder.
#include <cstdlib>
#include <vector>

#include "runtime_state.h"
#include "settings.h"
#include "ui/tray.h"
#include "ui/ui_resource_ids.h"
#include "screen_capture.h"
#include "ui_test_support.h"

namespace ui_test {
namespace {

using namespace ambiora;

RECT taskbar_area() {
    RECT r{};
    if (const HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr)) GetWindowRect(taskbar, &r);
    return r;
}

bool on_taskbar(int icon_id) {
    const RECT area = taskbar_area();
    return contains(capture_screen(area), icon_pixels(icon_id));
}

class taskbar : public ui_test {};

TEST_F(taskbar, shows_the_modes_picture_while_the_icon_is_shown) {
    const RECT area = taskbar_area();
    ASSERT_GT(area.bottom - area.top, 0) << "no taskbar: the tests need Wine's \"shell\" desktop";

    cfg_mode = 4;
    playback_active = 1;
    host().playback_starting();
    EXPECT_TRUE(wait_for([] { return on_taskbar(IDI_MODE_AMBIORA_AS2); }));

    SendMessageW(find_tray_window(), WM_COMMAND, ID_TRAY_HEADPHONE_MOVIE, 0);
    EXPECT_TRUE(wait_for([] { return on_taskbar(IDI_MODE_HEADPHONE_MOVIE); }));
    EXPECT_FALSE(on_taskbar(IDI_MODE_AMBIORA_AS2));

    host().playback_stop();
    EXPECT_TRUE(wait_for([] { return !on_taskbar(IDI_MODE_HEADPHONE_MOVIE); }));
}

// Where on the screen the icon of `icon_id` sits, by its pixels.
bool find_on_screen(int icon_id, POINT& where) {
    const screen_image screen = capture_screen();
    const screen_image icon = icon_pixels(icon_id);
    for (int y = 0; y + 16 <= screen.height; ++y) {
        for (int x = 0; x + 16 <= screen.width; ++x) {
            bool match = true;
            for (int i = 0; i < 256 && match; ++i) {
                match = screen.at(x + i % 16, y + i / 16) == icon.at(i % 16, i / 16);
            }
            if (match) {
                where = {x + 8, y + 8};
                return true;
            }
        }
    }
    return false;
}

TEST_F(taskbar, screenshots_for_the_documentation) {
    const char* folder = std::getenv("AMBIORA_UI_SCREENSHOT_DIR");
    if (folder == nullptr) GTEST_SKIP() << "set AMBIORA_UI_SCREENSHOT_DIR to write them";
    const std::string dir = folder;

    cfg_mode = 4;
    cfg_bass_enable = 1;
    ambiora::setting("centre-width") = 30;
    playback_active = 1;
    host().playback_starting();
    {
        open_dialog d;
        auto instance = host().instantiate_default();
        host_sim::run_chunk(*instance, std::vector<audio_sample>(128, 0.0), 2, 44100);
        ASSERT_TRUE(d.wait_for_text(IDC_STATUS, L"Ambiora-AS2\nProcessor in decoding mode."));
        SetForegroundWindow(d.window());
        Sleep(300);
        RECT r;
        GetWindowRect(d.window(), &r);
        EXPECT_TRUE(write_bmp(capture_screen(r), dir + "/dialog.bmp"));
    }

    POINT icon{};
    ASSERT_TRUE(wait_for([&] { return find_on_screen(IDI_MODE_AMBIORA_AS2, icon); }));
    SetCursorPos(icon.x, icon.y);
    PostMessageW(find_tray_window(), WM_APP, 0, WM_LBUTTONDOWN);
    HWND menu = nullptr;
    ASSERT_TRUE(wait_for([&] {
        menu = FindWindowW(L"#32768", nullptr);
        return menu != nullptr && IsWindowVisible(menu);
    }));
    Sleep(300);
    RECT m, t = taskbar_area();
    GetWindowRect(menu, &m);
    RECT shot{std::max<LONG>(0, std::min(m.left, icon.x) - 160), m.top - 10,
              std::min<LONG>(t.right, std::max(m.right, icon.x + 60)), t.bottom};
    EXPECT_TRUE(write_bmp(capture_screen(shot), dir + "/tray_menu.bmp"));
    SendMessageW(find_tray_window(), WM_CANCELMODE, 0, 0);
    host().playback_stop();
}

}  // namespace
}  // namespace ui_test
