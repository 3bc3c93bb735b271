// The tray: its menu by position, the commands its window receives, who shows and hides the
// icon, the icon as the virtual desktop's taskbar shows it, and starting and stopping the tray
// thread (bounded at unload, also from the DLL).
#include <cstdlib>
#include <fstream>
#include <optional>

#include "ui_test_support.h"

namespace ui_test {
namespace {

class tray_ui : public ui_test {};

TEST_F(tray_ui, menu_items_by_position_set_the_mode_the_check_mark_and_the_icon) {
    {
        std::lock_guard guard(tray().lock);
        const HMENU items = GetSubMenu(tray().menu, 0);
        ASSERT_EQ(GetMenuItemCount(items), mode_count + 2);
        std::wstring texts;
        for (int m = 0; m < mode_count; ++m) {
            EXPECT_EQ(int(GetMenuItemID(items, m)), mode_table[m].tray_menu_id) << m;
            wchar_t text[64] = {};
            GetMenuStringW(items, m, text, 64, MF_BYPOSITION);
            texts += text + std::wstring(L"; ");
        }
        // The menu's own texts, which are not the modes' names everywhere.
        EXPECT_EQ(texts,
                  L"Bypass; Ambiora+C; Ambiora-AS; Ambiora-ASr; Ambiora-AS2; Ambiora Headphone; "
                  L"Ambiora Headphone Movie; Ambiora Encode; Ambiora Encode 2; ");
        EXPECT_TRUE(GetMenuState(items, mode_count, MF_BYPOSITION) & MF_SEPARATOR);
        EXPECT_EQ(GetMenuItemID(items, mode_count + 1), UINT(ID_TRAY_CANCEL));
    }
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
    choose_in_tray(ID_TRAY_CANCEL);  // changes nothing
    EXPECT_EQ(cfg_mode, mode_count - 1);
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS, L"Ambiora Encode2\nProcessor inactive."));

    // A mode outside the table (a damaged configuration) shows the Bypass picture, no mark.
    cfg_mode = 42;
    update_tray_mode(cfg_mode);
    EXPECT_EQ(shown_mode(), 0);
    EXPECT_TRUE(checked_positions().empty());
}

// The icon shows while the tray icon setting is on and either playback runs or it is shown
// always: a click on any of the dialog's boxes reads the two tray boxes and applies that rule at
// once. A stop takes the icon away when it is shown only while playing (even with the setting
// switched off since), and the start of playback or of a track brings it back then.
TEST_F(tray_ui, the_dialogs_tray_boxes_and_playback_show_and_hide_the_icon) {
    open_dialog d;
    host_sim::host_track track;
    for (int state = 0; state < 8; ++state) {
        const bool playing = state & 1, icon = state & 2, only_when_playing = state & 4;
        playback_active = playing;
        d.send(IDC_TRAY_ICON, BM_SETCHECK, icon);
        d.send(IDC_TRAY_ONLY_WHEN_PLAYING, BM_SETCHECK, only_when_playing);
        d.click(IDC_SPEAKER_C);
        EXPECT_EQ(shown_mode() >= 0, icon && (playing || !only_when_playing)) << state;
        EXPECT_EQ(d.enabled(IDC_TRAY_ONLY_WHEN_PLAYING), icon);
        add_tray_icon();
        host().playback_stop();
        EXPECT_EQ(shown_mode() >= 0, !only_when_playing) << state;
        playing ? host().playback_starting() : host().playback_new_track(track);
        EXPECT_EQ(shown_mode() >= 0, !only_when_playing || icon) << state;
    }
}

// What the screen shows inside `area` or, given `icon`, that icon drawn 16 x 16: top row first,
// 32 bits a pixel (0x00RRGGBB).
std::vector<std::uint32_t> capture(RECT area, HICON icon = nullptr) {
    const LONG w = area.right - area.left, h = area.bottom - area.top;
    std::vector<std::uint32_t> pixels(w * h);
    BITMAPINFOHEADER head{40, w, -h, 1, 32, BI_RGB, DWORD(w * h * 4), 0, 0, 0, 0};
    const HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    SelectObject(memory, bitmap);
    if (icon != nullptr) DrawIconEx(memory, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
    if (icon == nullptr) BitBlt(memory, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
    DeleteDC(memory);  // which lets go of the bitmap, as GetDIBits wants
    GetDIBits(screen, bitmap, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&head),
              DIB_RGB_COLORS);
    for (std::uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The centre of the first place on the taskbar that shows icon resource `id` pixel for pixel.
std::optional<POINT> find_on_taskbar(int id) {
    RECT bar{};
    GetWindowRect(FindWindowW(L"Shell_TrayWnd", nullptr), &bar);
    const auto icon =
        HICON(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
    const auto screen = capture(bar), picture = capture({0, 0, 16, 16}, icon);
    DestroyIcon(icon);
    // p is the top left corner of the 16 x 16 place, i its i-th pixel.
    for (int w = bar.right - bar.left, p = 0; p + 15 * w + 16 <= int(screen.size()); ++p) {
        int i = 0;
        while (i < 256 && screen[p + i / 16 * w + i % 16] == picture[i]) ++i;
        if (i == 256 && p % w + 16 <= w) return POINT{bar.left + p % w + 8, bar.top + p / w + 8};
    }
    return std::nullopt;
}

// Writes `area` of the screen as a BMP file into the screenshot folder, if there is one.
void screenshot(RECT area, const char* name) {
    const char* folder = std::getenv("AMBIORA_UI_SCREENSHOT_DIR");
    if (folder == nullptr) return;
    const auto pixels = capture(area);
    const DWORD size = DWORD(pixels.size() * 4), offset = 14 + 40;
    const BITMAPFILEHEADER file_head{0x4D42, offset + size, 0, 0, offset};
    const BITMAPINFOHEADER head{
        40, area.right - area.left, area.top - area.bottom, 1, 32, BI_RGB, size, 0, 0, 0, 0};
    std::ofstream file(std::string(folder) + "/" + name, std::ios::binary);
    file.write(reinterpret_cast<const char*>(&file_head), sizeof file_head);
    file.write(reinterpret_cast<const char*>(&head), sizeof head);
    file.write(reinterpret_cast<const char*>(pixels.data()), size);
    EXPECT_TRUE(file.flush()) << name;
}

HWND visible_menu() {
    const HWND menu = FindWindowW(L"#32768", nullptr);  // the system's pop-up menu class
    return menu != nullptr && IsWindowVisible(menu) ? menu : nullptr;
}

class taskbar : public ui_test {};

// The taskbar shows the mode's picture while the icon is shown, a right press on the icon does
// nothing and a left press opens the menu at the cursor. With AMBIORA_UI_SCREENSHOT_DIR set
// (tools/ui/take_screenshots.sh) it also writes the documentation's pictures of the dialog and the
// menu.
TEST_F(taskbar, screenshots_for_the_documentation) {
    ASSERT_NE(FindWindowW(L"Shell_TrayWnd", nullptr), nullptr) << "needs Wine's \"shell\" desktop";
    cfg_bass_enable = 1;
    setting("centre-width") = 30;
    host().playback_starting();
    // The shell shows the mode's picture, and a change of mode replaces it.
    EXPECT_TRUE(wait_for([] { return find_on_taskbar(IDI_MODE_AMBIORA_AS2).has_value(); }));
    choose_in_tray(ID_TRAY_HEADPHONE_MOVIE);
    EXPECT_TRUE(wait_for([] {
        return find_on_taskbar(IDI_MODE_HEADPHONE_MOVIE) && !find_on_taskbar(IDI_MODE_AMBIORA_AS2);
    }));
    choose_in_tray(ID_TRAY_AMBIORA_AS2);
    {
        open_dialog d;
        last_input_channels = 2;
        last_input_rate = 44100;
        ASSERT_TRUE(d.wait_for_text(IDC_STATUS, L"Ambiora-AS2\nProcessor in decoding mode."));
        SetForegroundWindow(d.window);
        Sleep(300);
        RECT r;
        GetWindowRect(d.window, &r);
        screenshot(r, "dialog.bmp");
    }
    PostMessageW(tray().window.load(), WM_APP, 0, WM_RBUTTONDOWN);
    Sleep(300);
    EXPECT_EQ(visible_menu(), nullptr);  // only a left press opens the menu
    std::optional<POINT> icon;
    ASSERT_TRUE(
        wait_for([&] { return (icon = find_on_taskbar(IDI_MODE_AMBIORA_AS2)).has_value(); }));
    SetCursorPos(icon->x, icon->y);  // and at once, before the icon's tip shows
    PostMessageW(tray().window.load(), WM_APP, 0, WM_LBUTTONDOWN);
    ASSERT_TRUE(wait_for([] { return visible_menu() != nullptr; }));
    Sleep(300);
    RECT m, bar;
    GetWindowRect(visible_menu(), &m);
    GetWindowRect(FindWindowW(L"Shell_TrayWnd", nullptr), &bar);
    screenshot({m.left - 160, m.top - 10, bar.right, bar.bottom}, "tray_menu.bmp");
    InflateRect(&m, 16, 16);  // at the cursor, as far as the screen's edges let it
    EXPECT_TRUE(PtInRect(&m, *icon));
    SendMessageW(tray().window.load(), WM_CANCELMODE, 0, 0);
    EXPECT_TRUE(wait_for([] { return visible_menu() == nullptr; }));
    host().playback_stop();
    EXPECT_TRUE(wait_for([] { return !find_on_taskbar(IDI_MODE_AMBIORA_AS2); }));
}

void restart() {
    start_tray_thread(GetModuleHandleW(nullptr));
    ASSERT_TRUE(wait_for([] { return tray().window.load() != nullptr; }, 5000));
}

class tray_thread : public ui_test {};

TEST_F(tray_thread, stopping_ends_it_and_an_earlier_icon_request_is_carried_out_at_creation) {
    playback_active = 1;
    add_tray_icon();
    stop_tray_thread(false);
    EXPECT_EQ(tray().done.load(), 1);  // ended, rather than given up on
    EXPECT_EQ(shown_mode(), -1);

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
// tray thread, setting that "dialog's" mode list after a menu choice, waits on it for good. The
// unload must not. (The window cannot be this thread's: stopping the tray talks to the shell,
// and while it waits for the shell's answer this thread would take the tray's message.)
TEST_F(tray_thread, stopping_a_stuck_thread_gives_up_after_ten_seconds) {
    std::atomic<bool> created{false}, release{false};
    std::thread stuck([&] {
        const HWND w = CreateWindowExW(0, L"STATIC", L"Ambiora Configuration", WS_POPUP, 0, 0, 10,
                                       10, nullptr, nullptr, nullptr, nullptr);
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 1, 1, w, HMENU(INT_PTR(IDC_MODE_LIST)),
                        nullptr, nullptr);
        created = true;
        while (!release) Sleep(10);  // its end destroys the window and answers the message
    });
    wait_for([&] { return created.load(); });
    PostMessageW(tray().window.load(), WM_COMMAND, ID_TRAY_ENCODE, 0);
    Sleep(200);
    const DWORD start = GetTickCount();
    stop_tray_thread(false);
    EXPECT_NEAR(GetTickCount() - start, 10500u, 500u);  // 10 to 11 s
    EXPECT_EQ(tray().done.load(), 0);
    // Released, the thread finishes its command, sees the request to quit and ends.
    release = true;
    stuck.join();
    EXPECT_TRUE(wait_for([] { return tray().done.load() == 1; }));
    restart();
}

// Counts the tray windows of this process: the DLL, loaded, has its own beside the test program's
// (another test program on the same desktop may have one too).
int tray_windows() {
    int count = 0;
    for (HWND w = nullptr; (w = FindWindowExW(HWND_MESSAGE, w, tray_window_class, nullptr));) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        count += process == GetCurrentProcessId();
    }
    return count;
}

TEST_F(tray_thread, the_dll_stops_its_own_when_unloaded) {
    HMODULE dll = LoadLibraryW(L"" AMBIORA_COMPONENT_FILE);
    ASSERT_NE(dll, nullptr);
    ASSERT_TRUE(wait_for([] { return tray_windows() == 2; }, 5000));
    DWORD start = GetTickCount();
    FreeLibrary(dll);
    EXPECT_LT(GetTickCount() - start, 10000u);
    EXPECT_EQ(tray_windows(), 1);

    // Unloaded at once, before its thread ever ran: no wait, and nothing runs afterwards in the
    // unmapped code.
    dll = LoadLibraryW(L"" AMBIORA_COMPONENT_FILE);
    ASSERT_NE(dll, nullptr);
    start = GetTickCount();
    FreeLibrary(dll);
    EXPECT_LT(GetTickCount() - start, 1500u);
    Sleep(1500);
    EXPECT_EQ(tray_windows(), 1);
}

}  // namespace
}  // namespace ui_test
