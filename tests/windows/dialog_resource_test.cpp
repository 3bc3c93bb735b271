// The configuration dialog's resource as the dialog manager builds it: caption, frame, size and
// every control's kind, id, text and place in dialog units.
#include "platform.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/ui_resource_ids.h"
#include "ui_test_support.h"

namespace ui_test {
namespace {

enum kind { group, text, right_text, list, check, toggle, slider, button, default_button, picture };

struct control_row {
    int id;
    kind k;
    const wchar_t* label;  // null: not checked (filled in at run time)
    int x, y, w, h;
};

constexpr control_row layout[] = {
    {-1, group, L"Ambiora Processor settings:", 7, 7, 204, 65},
    {-1, text, L"Mode:", 13, 20, 21, 8},
    {1002, list, nullptr, 39, 18, 166, 104},
    {1037, check, L"Tray icon", 13, 35, 45, 10},
    {1040, check, L"Show only when playing", 62, 35, 93, 10},
    {-1, text, L"Master gain (dB):", 14, 48, 56, 8},
    {1027, text, nullptr, 76, 48, 31, 8},
    {1039, slider, nullptr, 14, 57, 192, 12},
    {-1, group, L"Centre Channel:", 7, 75, 204, 57},
    {-1, text, L"Centre width (%):", 13, 85, 60, 8},
    {1019, text, nullptr, 79, 85, 31, 8},
    {1018, check, L"Virtual centre speaker", 119, 84, 86, 10},
    {1020, slider, nullptr, 13, 93, 192, 12},
    {-1, text, L"Centre trim (dB):", 13, 107, 55, 8},
    {1008, text, nullptr, 74, 107, 95, 8},
    {1007, slider, nullptr, 13, 117, 192, 12},
    {-1, group, L"Surround Channel:", 7, 135, 204, 61},
    {-1, text, L"Surround delay (ms): ", 13, 149, 70, 8},
    {1006, text, nullptr, 87, 149, 72, 8},
    {1005, slider, nullptr, 13, 158, 192, 12},
    {-1, text, L"Surround trim (dB):", 13, 171, 62, 8},
    {1010, text, nullptr, 81, 171, 87, 8},
    {1009, slider, nullptr, 13, 181, 192, 12},
    {-1, group, L"LFE Channel:", 7, 199, 204, 59},
    {-1, text, L"Bass redirection (Hz):", 13, 209, 70, 8},
    {1012, text, nullptr, 88, 209, 22, 8},
    {1041, check, L"+10 dB", 125, 209, 39, 10},
    {1015, check, L"Enable", 168, 209, 37, 10},
    {1011, slider, nullptr, 13, 219, 192, 12},
    {-1, text, L"Bass redirection trim (dB):", 13, 232, 84, 8},
    {1014, text, nullptr, 102, 232, 41, 8},
    {1029, check, L"Invert Phase", 148, 232, 57, 10},
    {1013, slider, nullptr, 13, 241, 192, 12},
    {-1, group, L"Speaker control:", 217, 7, 109, 86},
    {1023, toggle, L"L", 221, 19, 24, 18},
    {1024, toggle, L"C", 258, 19, 24, 18},
    {1025, toggle, L"R", 295, 19, 24, 18},
    {1021, button, L"Mute All", 221, 43, 43, 17},
    {1022, button, L"Umute All", 276, 43, 43, 17},
    {1026, toggle, L"SL", 221, 68, 24, 18},
    {1028, toggle, L"SR", 295, 68, 24, 18},
    {1031, right_text, nullptr, 222, 97, 104, 8},
    {1032, right_text, nullptr, 242, 108, 83, 20},
    {1033, right_text, nullptr, 216, 137, 109, 45},
    {-1, picture, nullptr, 238, 206, 87, 20},
    {-1, right_text, nullptr, 232, 227, 93, 8},
    {1036, default_button, L"Ok", 220, 243, 50, 14},
    {1038, button, L"Cancel", 276, 243, 50, 14},
};

std::wstring class_of(HWND w) {
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    return name;
}

bool is_kind(HWND w, kind k) {
    const std::wstring cls = class_of(w);
    const LONG style = GetWindowLongW(w, GWL_STYLE);
    const auto is = [&](const wchar_t* c) { return _wcsicmp(cls.c_str(), c) == 0; };
    switch (k) {
        case group:
            return is(L"Button") && (style & BS_TYPEMASK) == BS_GROUPBOX;
        case text:
            return is(L"Static") && (style & SS_TYPEMASK) == SS_LEFT;
        case right_text:
            return is(L"Static") && (style & SS_TYPEMASK) == SS_RIGHT;
        case picture:
            return is(L"Static") && (style & SS_TYPEMASK) == SS_BITMAP;
        case list:
            return is(L"ComboBox") && (style & 3) == CBS_DROPDOWNLIST;
        case check:
            return is(L"Button") && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX &&
                   !(style & BS_PUSHLIKE);
        case toggle:
            return is(L"Button") && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX &&
                   (style & BS_PUSHLIKE);
        case slider:
            return is(TRACKBAR_CLASSW) && (style & TBS_BOTH) && (style & TBS_NOTICKS) &&
                   !(style & TBS_VERT);
        case button:
            return is(L"Button") && (style & BS_TYPEMASK) == BS_PUSHBUTTON;
        case default_button:
            return is(L"Button") && (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    }
    return false;
}

class dialog_resource : public ui_test {};

TEST_F(dialog_resource, caption_frame_and_size) {
    open_dialog d;
    ASSERT_NE(d.window(), nullptr);
    const LONG style = GetWindowLongW(d.window(), GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_FALSE(style & WS_SYSMENU);  // no close box
    EXPECT_TRUE(GetWindowLongW(d.window(), GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    RECT client;
    GetClientRect(d.window(), &client);
    RECT units{0, 0, 333, 265};
    MapDialogRect(d.window(), &units);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);

    // Tahoma 8 pt.
    LOGFONTW font{};
    GetObjectW(HFONT(SendMessageW(d.window(), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
}

TEST_F(dialog_resource, every_control_in_its_place) {
    open_dialog d;
    std::vector<HWND> children;
    for (HWND c = GetWindow(d.window(), GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        children.push_back(c);
    }
    ASSERT_EQ(children.size(), std::size(layout));
    for (std::size_t i = 0; i < children.size(); ++i) {
        const control_row& row = layout[i];
        const HWND c = children[i];
        SCOPED_TRACE(testing::Message() << "control " << i << " id " << row.id);
        EXPECT_EQ(GetDlgCtrlID(c), row.id);
        EXPECT_TRUE(is_kind(c, row.k)) << "class " << testing::PrintToString(class_of(c));
        if (row.label != nullptr) {
            wchar_t label[64] = {};
            GetWindowTextW(c, label, 64);
            EXPECT_STREQ(label, row.label);
        }
        // The dialog manager converts position and size separately, as MapDialogRect converts
        // each field.
        RECT expected{row.x, row.y, row.w, row.h};
        MapDialogRect(d.window(), &expected);
        RECT actual;
        GetWindowRect(c, &actual);
        MapWindowPoints(nullptr, d.window(), reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        // A drop-down list is as high as its closed box.
        if (row.k != list) {
            EXPECT_EQ(actual.right - actual.left, expected.right);
            EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
        }
    }
    // The first timer tick replaces the template text.
    EXPECT_TRUE(wait_for([&] { return d.text(IDC_STATUS) != L"Decoding mode"; }));
}

}  // namespace
}  // namespace ui_test
