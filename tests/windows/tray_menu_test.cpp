// The tray window's menu commands, its click handling and who shows and hides the icon.
#include "runtime_state.h"
#include "settings.h"
#include "ui/tray.h"
#include "ui/tray_state.h"
#include "ui/ui_resource_ids.h"
#include "ui_test_support.h"

namespace ui_test {
namespace {

using namespace ambiora;

class tray_menu : public ui_test {
  protected:
    void choose(int id) { SendMessageW(find_tray_window(), WM_COMMAND, id, 0); }

    // Positions 0 to 8 that carry a check mark.
    std::vector<int> checked_positions() {
        std::vector<int> positions;
        const HMENU items = GetSubMenu(tray().menu, 0);
        for (int p = 0; p < 9; ++p) {
            if (GetMenuState(items, p, MF_BYPOSITION) & MF_CHECKED) positions.push_back(p);
        }
        return positions;
    }

    HICON shown_icon() {
        std::lock_guard guard(tray().lock);
        return tray().shown ? tray().record.hIcon : nullptr;
    }
    HICON icon_of(int mode) {
        std::lock_guard guard(tray().lock);
        return tray().icons[mode];
    }
};

TEST_F(tray_menu, the_menu_resource_lists_the_modes_by_position) {
    const HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_TRAY_MENU));
    ASSERT_NE(menu, nullptr);
    const HMENU items = GetSubMenu(menu, 0);
    ASSERT_EQ(GetMenuItemCount(items), 11);
    const struct {
        int id;
        const wchar_t* text;
    } expected[] = {{40002, L"Bypass"},
                    {40003, L"Ambiora+C"},
                    {40004, L"Ambiora-AS"},
                    {40005, L"Ambiora-ASr"},
                    {40011, L"Ambiora-AS2"},
                    {40007, L"Ambiora Headphone"},
                    {40008, L"Ambiora Headphone Movie"},
                    {40009, L"Ambiora Encode"},
                    {40010, L"Ambiora Encode 2"}};
    for (int p = 0; p < 9; ++p) {
        EXPECT_EQ(int(GetMenuItemID(items, p)), expected[p].id) << p;
        wchar_t text[64] = {};
        GetMenuStringW(items, p, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, expected[p].text);
    }
    EXPECT_TRUE(GetMenuState(items, 9, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(items, 10), 40001u);
    DestroyMenu(menu);
}

TEST_F(tray_menu, a_mode_item_sets_the_mode_the_check_mark_and_the_icon) {
    playback_active = 1;
    add_tray_icon();
    ASSERT_TRUE(tray_icon_shown());
    const int ids[9] = {40002, 40003, 40004, 40005, 40011, 40007, 40008, 40009, 40010};
    for (int mode = 8; mode >= 0; --mode) {
        choose(ids[mode]);
        EXPECT_EQ(cfg_mode, mode);
        EXPECT_EQ(checked_positions(), std::vector<int>{mode});
        EXPECT_EQ(shown_icon(), icon_of(mode));
    }
    choose(ID_TRAY_AMBIORA_AS2);
    EXPECT_EQ(cfg_mode, 4);
    EXPECT_EQ(checked_positions(), std::vector<int>{4});

    choose(ID_TRAY_CANCEL);
    EXPECT_EQ(cfg_mode, 4);
    EXPECT_EQ(checked_positions(), std::vector<int>{4});
    EXPECT_EQ(shown_icon(), icon_of(4));
}

TEST_F(tray_menu, a_menu_choice_sets_an_open_dialogs_mode_list) {
    cfg_mode = 4;
    open_dialog d;
    ASSERT_TRUE(d.wait_for_text(IDC_STATUS, L"Ambiora-AS2\nProcessor inactive."));
    choose(ID_TRAY_ENCODE);
    EXPECT_EQ(cfg_mode, 7);
    EXPECT_EQ(SendMessageW(d.item(IDC_MODE_LIST), CB_GETCURSEL, 0, 0), 7);
    EXPECT_EQ(checked_positions(), std::vector<int>{7});
    // The dialog's status follows the new mode at its next tick.
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS, L"Ambiora Encode\nProcessor inactive."));
    choose(ID_TRAY_CANCEL);
    EXPECT_EQ(SendMessageW(d.item(IDC_MODE_LIST), CB_GETCURSEL, 0, 0), 7);
}

TEST_F(tray_menu, a_mode_outside_the_table_shows_the_bypass_icon_and_no_check_mark) {
    cfg_mode = 42;
    playback_active = 1;
    add_tray_icon();
    update_tray_mode(cfg_mode);
    EXPECT_EQ(shown_icon(), icon_of(0));
    EXPECT_TRUE(checked_positions().empty());
}

TEST_F(tray_menu, play_callbacks_show_and_hide_the_icon) {
    // Defaults: tray icon on, only while playing.
    EXPECT_FALSE(tray_icon_shown());
    host().playback_starting();
    EXPECT_TRUE(tray_icon_shown());
    EXPECT_EQ(playback_active, 1u);
    host().playback_stop();
    EXPECT_FALSE(tray_icon_shown());
    host_sim::host_track track;
    host().playback_new_track(track);
    EXPECT_TRUE(tray_icon_shown());
    host().playback_starting();  // a second add shows one icon
    EXPECT_TRUE(tray_icon_shown());

    // Stop removes the icon even with the tray icon setting off.
    cfg_tray_icon = 0;
    host().playback_stop();
    EXPECT_FALSE(tray_icon_shown());
    host().playback_starting();
    EXPECT_FALSE(tray_icon_shown());

    // Shown always: playback does not add it, and stop leaves it.
    cfg_tray_icon = 1;
    cfg_tray_only_when_playing = 0;
    host().playback_starting();
    EXPECT_FALSE(tray_icon_shown());
    add_tray_icon();
    host().playback_stop();
    EXPECT_TRUE(tray_icon_shown());
    remove_tray_icon();
    remove_tray_icon();  // harmless
    EXPECT_FALSE(tray_icon_shown());
}

TEST_F(tray_menu, the_dialogs_check_boxes_show_and_hide_the_icon) {
    open_dialog d;
    // Nothing playing and only while playing: hidden.
    d.click(IDC_BASS_ENABLE);
    EXPECT_FALSE(tray_icon_shown());
    d.click(IDC_TRAY_ONLY_WHEN_PLAYING);
    EXPECT_TRUE(tray_icon_shown());
    d.click(IDC_TRAY_ICON);
    EXPECT_FALSE(tray_icon_shown());
    EXPECT_FALSE(d.enabled(IDC_TRAY_ONLY_WHEN_PLAYING));
    d.click(IDC_TRAY_ICON);
    EXPECT_TRUE(tray_icon_shown());
    d.click(IDC_TRAY_ONLY_WHEN_PLAYING);
    EXPECT_FALSE(tray_icon_shown());
    playback_active = 1;
    d.click(IDC_SPEAKER_C);
    EXPECT_TRUE(tray_icon_shown());
    // A mode change in the dialog moves the picture.
    d.select_mode(5);
    EXPECT_EQ(shown_icon(), icon_of(5));
    EXPECT_EQ(checked_positions(), std::vector<int>{5});
}

// The open pop-up menu is a window of the system's menu class.
HWND visible_menu() {
    HWND menu = FindWindowW(L"#32768", nullptr);
    return menu != nullptr && IsWindowVisible(menu) ? menu : nullptr;
}

TEST_F(tray_menu, a_left_press_opens_the_menu_and_a_right_press_does_not) {
    playback_active = 1;
    add_tray_icon();
    const HWND tray_window = find_tray_window();
    PostMessageW(tray_window, WM_APP, 0, WM_RBUTTONDOWN);
    Sleep(300);
    EXPECT_EQ(visible_menu(), nullptr);

    SetCursorPos(500, 400);
    PostMessageW(tray_window, WM_APP, 0, WM_LBUTTONDOWN);
    ASSERT_TRUE(wait_for([] { return visible_menu() != nullptr; }));
    RECT r;
    GetWindowRect(visible_menu(), &r);
    EXPECT_NEAR(r.left, 500, 2);
    EXPECT_NEAR(r.top, 400, 2);
    SendMessageW(tray_window, WM_CANCELMODE, 0, 0);
    EXPECT_TRUE(wait_for([] { return visible_menu() == nullptr; }));
}

}  // namespace
}  // namespace ui_test
