// The tray: its menu by position, the commands its window receives, who shows and hides the
// icon, the icon as the virtual desktop's taskbar shows it, and starting and stopping the tray
// thread (bounded at unload, also from the DLL).
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "ui/tray_thread.h"
#include "ui_test_support.h"

namespace ui_test {
namespace {

class tray_menu : public ui_test {};

TEST_F(tray_menu, lists_the_modes_by_position_then_cancel) {
    // The menu's own texts, which are not the modes' names everywhere.
    const wchar_t* texts[] = {L"Bypass",
                              L"Ambiora+C",
                              L"Ambiora-AS",
                              L"Ambiora-ASr",
                              L"Ambiora-AS2",
                              L"Ambiora Headphone",
                              L"Ambiora Headphone Movie",
                              L"Ambiora Encode",
                              L"Ambiora Encode 2"};
    std::lock_guard guard(tray().lock);
    const HMENU items = GetSubMenu(tray().menu, 0);
    ASSERT_EQ(GetMenuItemCount(items), mode_count + 2);
    for (int m = 0; m < mode_count; ++m) {
        EXPECT_EQ(int(GetMenuItemID(items, m)), mode_table[m].tray_menu_id) << m;
        wchar_t text[64] = {};
        GetMenuStringW(items, m, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, texts[m]);
    }
    EXPECT_TRUE(GetMenuState(items, mode_count, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(items, mode_count + 1), UINT(ID_TRAY_CANCEL));
}

TEST_F(tray_menu, a_mode_item_sets_the_mode_the_check_mark_and_the_icon_and_cancel_nothing) {
    playback_active = 1;
    add_tray_icon();
    open_dialog d;  // whose mode list and status follow
    for (int mode = 0; mode < mode_count; ++mode) {
        choose_in_tray(mode_table[mode].tray_menu_id);
        EXPECT_EQ(cfg_mode, mode);
        EXPECT_EQ(checked_positions(), std::vector<int>{mode});
        EXPECT_EQ(shown_mode(), mode);
        EXPECT_EQ(d.send(IDC_MODE_LIST, CB_GETCURSEL), mode);
    }
    choose_in_tray(ID_TRAY_CANCEL);
    EXPECT_EQ(cfg_mode, mode_count - 1);
    EXPECT_EQ(checked_positions(), std::vector<int>{mode_count - 1});
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS, L"Ambiora Encode2\nProcessor inactive."));

    // A mode outside the table (a damaged configuration) shows the Bypass picture, no mark.
    cfg_mode = 42;
    update_tray_mode(cfg_mode);
    EXPECT_EQ(shown_mode(), 0);
    EXPECT_TRUE(checked_positions().empty());
}

// Playback brings the icon when it is shown only while playing; a stop then takes it away, even
// with the icon switched off since, and leaves an icon shown always.
TEST_F(tray_menu, play_callbacks_show_and_hide_the_icon) {
    for (int icon : {0, 1}) {
        for (int only_when_playing : {0, 1}) {
            cfg_tray_icon = icon;
            cfg_tray_only_when_playing = only_when_playing;
            remove_tray_icon();
            host().playback_starting();
            EXPECT_EQ(shown_mode() >= 0, icon && only_when_playing) << icon << only_when_playing;
            EXPECT_EQ(playback_active, 1u);
            add_tray_icon();
            host().playback_stop();
            EXPECT_EQ(shown_mode() >= 0, !only_when_playing) << icon << only_when_playing;
        }
    }
    host_sim::host_track track;
    host().playback_new_track(track);
    EXPECT_GE(shown_mode(), 0);
}

// A click on any box reads the two tray boxes and shows the icon if it is on and either playback
// runs or it is shown always.
TEST_F(tray_menu, the_dialogs_tray_boxes_show_and_hide_the_icon_at_once) {
    open_dialog d;
    for (int playing : {0, 1}) {
        for (int icon : {0, 1}) {
            for (int only_when_playing : {0, 1}) {
                playback_active = playing;
                d.send(IDC_TRAY_ICON, BM_SETCHECK, icon);
                d.send(IDC_TRAY_ONLY_WHEN_PLAYING, BM_SETCHECK, only_when_playing);
                d.click(IDC_SPEAKER_C);
                EXPECT_EQ(shown_mode() >= 0, icon && (playing || !only_when_playing))
                    << playing << icon << only_when_playing;
                EXPECT_EQ(d.enabled(IDC_TRAY_ONLY_WHEN_PLAYING), bool(icon));
            }
        }
    }
}

// 32-bit pixels (0x00RRGGBB), top row first, of what the screen shows inside `area` or, given
// `icon`, of that icon drawn 16 x 16.
struct image {
    int width, height;
    std::vector<std::uint32_t> pixels;
};
image capture(RECT area, HICON icon = nullptr) {
    image out{int(area.right - area.left), int(area.bottom - area.top), {}};
    BITMAPINFO info{{40, out.width, -out.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    if (icon != nullptr) DrawIconEx(memory, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
    if (icon == nullptr)
        BitBlt(memory, 0, 0, out.width, out.height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; i < out.width * out.height; ++i) out.pixels.push_back(p[i] & 0xFFFFFF);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return out;
}

// The centre of the first place on the taskbar that shows icon resource `id` pixel for pixel.
std::optional<POINT> find_on_taskbar(int id) {
    RECT bar{};
    GetWindowRect(FindWindowW(L"Shell_TrayWnd", nullptr), &bar);
    const auto icon =
        HICON(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
    const image screen = capture(bar), picture = capture({0, 0, 16, 16}, icon);
    DestroyIcon(icon);
    for (int y = 0; y + 16 <= screen.height; ++y) {
        for (int x = 0; x + 16 <= screen.width; ++x) {
            int i = 0;
            while (i < 256 &&
                   screen.pixels[(y + i / 16) * screen.width + x + i % 16] == picture.pixels[i])
                ++i;
            if (i == 256) return POINT{bar.left + x + 8, bar.top + y + 8};
        }
    }
    return std::nullopt;
}

// Writes `area` of the screen as a BMP file into the screenshot folder, if there is one.
void screenshot(RECT area, const char* name) {
    const char* folder = std::getenv("AMBIORA_UI_SCREENSHOT_DIR");
    if (folder == nullptr) return;
    const image picture = capture(area);
    FILE* file = std::fopen((std::string(folder) + "/" + name).c_str(), "wb");
    ASSERT_NE(file, nullptr) << folder;
    const DWORD size = DWORD(picture.pixels.size() * 4), offset = 14 + 40;
    const BITMAPFILEHEADER head{0x4D42, offset + size, 0, 0, offset};
    const BITMAPINFOHEADER info{40, picture.width, -picture.height, 1, 32, BI_RGB, size, 0, 0, 0,
                                0};
    std::fwrite(&head, 14, 1, file);
    std::fwrite(&info, 40, 1, file);
    std::fwrite(picture.pixels.data(), 4, picture.pixels.size(), file);
    EXPECT_EQ(std::fclose(file), 0);
}

HWND visible_menu() {
    const HWND menu = FindWindowW(L"#32768", nullptr);  // the system's pop-up menu class
    return menu != nullptr && IsWindowVisible(menu) ? menu : nullptr;
}

class taskbar : public ui_test {};

// The taskbar shows each mode's picture in turn, and a left press on the icon opens the menu at
// the cursor. With AMBIORA_UI_SCREENSHOT_DIR set (tools/ui/take_screenshots.sh) it also writes
// the documentation's pictures of the dialog and the menu.
TEST_F(taskbar, screenshots_for_the_documentation) {
    ASSERT_NE(FindWindowW(L"Shell_TrayWnd", nullptr), nullptr) << "needs Wine's \"shell\" desktop";
    cfg_bass_enable = 1;
    setting("centre-width") = 30;
    host().playback_starting();
    for (int mode = 0, before = cfg_mode; mode < mode_count; before = mode++) {
        choose_in_tray(mode_table[mode].tray_menu_id);
        EXPECT_TRUE(wait_for([&] {
            return find_on_taskbar(mode_table[mode].tray_icon_id) &&
                   !find_on_taskbar(mode_table[before].tray_icon_id);
        })) << mode;
    }
    choose_in_tray(ID_TRAY_AMBIORA_AS2);
    {
        open_dialog d;
        auto instance = host().instantiate_default();
        host_sim::run_chunk(*instance, std::vector<audio_sample>(128), 2, 44100);
        ASSERT_TRUE(d.wait_for_text(IDC_STATUS, L"Ambiora-AS2\nProcessor in decoding mode."));
        SetForegroundWindow(d.window());
        Sleep(300);
        RECT r;
        GetWindowRect(d.window(), &r);
        screenshot(r, "dialog.bmp");
    }
    PostMessageW(find_tray_window(), WM_APP, 0, WM_RBUTTONDOWN);
    Sleep(300);
    EXPECT_EQ(visible_menu(), nullptr);  // only a left press opens the menu, at the cursor
    SetCursorPos(500, 400);
    PostMessageW(find_tray_window(), WM_APP, 0, WM_LBUTTONDOWN);
    ASSERT_TRUE(wait_for([] { return visible_menu() != nullptr; }));
    RECT m;
    GetWindowRect(visible_menu(), &m);
    EXPECT_NEAR(m.left, 500, 2);
    EXPECT_NEAR(m.top, 400, 2);
    SendMessageW(find_tray_window(), WM_CANCELMODE, 0, 0);
    std::optional<POINT> icon;
    ASSERT_TRUE(wait_for(
        [&] { return !visible_menu() && (icon = find_on_taskbar(IDI_MODE_AMBIORA_AS2)); }));
    SetCursorPos(icon->x, icon->y);
    PostMessageW(find_tray_window(), WM_APP, 0, WM_LBUTTONDOWN);
    ASSERT_TRUE(wait_for([] { return visible_menu() != nullptr; }));
    Sleep(300);
    RECT bar;
    GetWindowRect(visible_menu(), &m);
    GetWindowRect(FindWindowW(L"Shell_TrayWnd", nullptr), &bar);
    screenshot({std::max<LONG>(0, std::min(m.left, icon->x) - 160), m.top - 10,
                std::min<LONG>(bar.right, std::max(m.right, icon->x + 60)), bar.bottom},
               "tray_menu.bmp");
    SendMessageW(find_tray_window(), WM_CANCELMODE, 0, 0);
    EXPECT_TRUE(wait_for([] { return visible_menu() == nullptr; }));
    host().playback_stop();
    EXPECT_TRUE(wait_for([] { return !find_on_taskbar(IDI_MODE_AMBIORA_AS2); }));
}

using clock_type = std::chrono::steady_clock;

long long milliseconds_since(clock_type::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock_type::now() - start).count();
}

class tray_thread : public ui_test {
  protected:
    void restart() {
        start_tray_thread(GetModuleHandleW(nullptr));
        ASSERT_TRUE(wait_for([] { return find_tray_window() != nullptr; }, 5000));
    }
};

TEST_F(tray_thread, stops_promptly_and_carries_out_an_earlier_icon_request_at_creation) {
    playback_active = 1;
    add_tray_icon();
    const auto start = clock_type::now();
    stop_tray_thread(false);
    EXPECT_LT(milliseconds_since(start), 1000);
    EXPECT_EQ(tray().done.load(), 1);
    EXPECT_EQ(shown_mode(), -1);
    EXPECT_EQ(find_tray_window(), nullptr);

    add_tray_icon();  // as the play callback would in the first second after load
    EXPECT_EQ(shown_mode(), -1);
    restart();
    EXPECT_EQ(shown_mode(), cfg_mode);

    // The last request wins: an add taken back by a remove shows nothing.
    stop_tray_thread(false);
    add_tray_icon();
    remove_tray_icon();
    restart();
    EXPECT_EQ(shown_mode(), -1);

    // Shown always: the window's creation adds it without any request.
    stop_tray_thread(false);
    cfg_tray_only_when_playing = 0;
    restart();
    EXPECT_EQ(shown_mode(), cfg_mode);
}

// A thread owns a window with the dialog's caption and mode list but reads no messages, so the
// tray thread, setting that "dialog's" mode list after a menu choice, waits on it for good; the
// unload must not.
TEST_F(tray_thread, stopping_a_stuck_thread_gives_up_after_ten_seconds) {
    std::atomic<bool> created{false}, release{false};
    std::thread stuck([&] {
        const HWND w = CreateWindowExW(0, L"STATIC", L"Ambiora Configuration", WS_POPUP, 0, 0, 10,
                                       10, nullptr, nullptr, nullptr, nullptr);
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 1, 1, w, HMENU(INT_PTR(IDC_MODE_LIST)),
                        nullptr, nullptr);
        created = true;
        while (!release) Sleep(10);
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        DestroyWindow(w);
    });
    wait_for([&] { return created.load(); });
    PostMessageW(find_tray_window(), WM_COMMAND, ID_TRAY_ENCODE, 0);
    Sleep(200);
    const auto start = clock_type::now();
    stop_tray_thread(false);
    const long long took = milliseconds_since(start);
    EXPECT_GE(took, 10000);
    EXPECT_LT(took, 11000);
    EXPECT_EQ(tray().done.load(), 0);
    // Released, the thread finishes its command, sees the request to quit and ends.
    release = true;
    stuck.join();
    EXPECT_TRUE(wait_for([] { return tray().done.load() == 1; }));
    restart();
}

TEST_F(tray_thread, the_dll_stops_its_own_when_unloaded) {
    HMODULE dll = LoadLibraryW(L"" AMBIORA_COMPONENT_FILE);
    ASSERT_NE(dll, nullptr);
    ASSERT_TRUE(wait_for([] { return tray_windows().size() == 2; }, 5000));
    auto start = clock_type::now();
    FreeLibrary(dll);
    EXPECT_LT(milliseconds_since(start), 10000);
    EXPECT_EQ(tray_windows().size(), 1u);

    // Unloaded at once, before its thread ever ran: no wait, and nothing runs afterwards in the
    // unmapped code.
    dll = LoadLibraryW(L"" AMBIORA_COMPONENT_FILE);
    ASSERT_NE(dll, nullptr);
    start = clock_type::now();
    FreeLibrary(dll);
    EXPECT_LT(milliseconds_since(start), 1500);
    Sleep(1500);
    EXPECT_EQ(tray_windows().size(), 1u);
}

}  // namespace
}  // namespace ui_test
