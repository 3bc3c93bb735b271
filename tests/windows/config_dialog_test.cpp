// The configuration dialog, opened through the DSP entry and driven by the messages its controls
// send. Each setting's control is checked from its row of the settings table, the mode list from
// the mode table, and the enable states from what the engine reads in each mode.
#include <algorithm>
#include <tuple>

#include "ui_test_support.h"

namespace ui_test {
namespace {

bool is_box(const setting_row& s) {
    return s.control == dialog_control::check_box || s.control == dialog_control::speaker_toggle;
}

std::vector<std::int32_t> processing_values() {
    std::vector<std::int32_t> v;
    for (const setting_row& s : setting_table) {
        if (s.processing()) v.push_back(s.value());
    }
    return v;
}

class config_dialog : public ui_test {};

// Every setting is shown as stored, and opening changes none. Of the template only what matters
// is checked: the size in dialog units and the font the layout was drawn for, no close box (the
// dialog ends through Ok, Cancel or Escape) and the texts that are not the settings'. The caption
// is how open_dialog, like the tray, finds the dialog.
TEST_F(config_dialog, opens_with_every_setting_and_a_slider_writes_its_own_and_its_value_text) {
    cfg_mode = 3;
    for (const setting_row& s : setting_table) {  // each away from its default
        if (s.control == dialog_control::slider) {
            s.value() = s.default_value == s.min_value ? s.max_value : s.min_value;
        }
        if (is_box(s)) s.value() = !s.default_value;
    }
    setting("centre-trim") = 30;  // out of range, as only a damaged configuration can hold
    const auto before = processing_values();
    open_dialog d;
    EXPECT_EQ(GetWindowLongW(d.window, GWL_STYLE) & (WS_POPUP | WS_CAPTION | WS_SYSMENU),
              WS_POPUP | WS_CAPTION);
    RECT client, units{0, 0, 333, 265};
    GetClientRect(d.window, &client);
    MapDialogRect(d.window, &units);
    EXPECT_TRUE(EqualRect(&client, &units));
    LOGFONTW font{};
    GetObjectW(HFONT(SendMessageW(d.window, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    EXPECT_EQ(d.text(IDC_UNMUTE_ALL), L"Umute All");
    EXPECT_EQ(d.text(IDC_VERSION_LINE), L"Ambiora Processor 0.1.6a");

    ASSERT_EQ(d.send(IDC_MODE_LIST, CB_GETCOUNT), mode_count);
    for (int m = 0; m < mode_count; ++m) {
        EXPECT_EQ(
            d.send(IDC_MODE_LIST, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(mode_table[m].list_text)),
            m);
    }
    EXPECT_EQ(d.send(IDC_MODE_LIST, CB_GETCURSEL), 3);
    for (const setting_row& s : setting_table) {
        EXPECT_TRUE(!is_box(s) || d.checked(s.control_id) == (s.value() != 0)) << s.name;
        if (s.control != dialog_control::slider) continue;
        const int position = std::clamp<int>(s.value(), s.min_value, s.max_value);
        EXPECT_EQ(d.send(s.control_id, TBM_GETPOS), position) << s.name;
        EXPECT_EQ(d.text(s.value_text_id), std::to_wstring(s.value())) << s.name;
    }
    EXPECT_EQ(processing_values(), before);

    d.move_slider(IDC_MASTER_GAIN, -7);
    EXPECT_EQ(setting("centre-trim"), 12);  // every slider is read: pulled to the thumb
    for (const setting_row& s : setting_table) {
        if (s.control != dialog_control::slider) continue;
        for (int position : {s.min_value, s.max_value}) {
            d.move_slider(s.control_id, position);
            EXPECT_EQ(s.value(), position) << s.name;
            EXPECT_EQ(d.text(s.value_text_id), std::to_wstring(position)) << s.name;
        }
    }
}

TEST_F(config_dialog, a_click_stores_every_box_as_zero_or_one_and_mute_all_every_speaker) {
    cfg_mode = 2;  // a steered mode: with bass redirection on, every box can be clicked
    for (const setting_row& s : setting_table) {
        if (is_box(s)) s.value() = 7;  // any non-zero value is on
    }
    open_dialog d;
    for (const setting_row& s : setting_table) {
        if (!is_box(s)) continue;
        d.click(s.control_id);
        EXPECT_EQ(s.value(), 0) << s.name;
        d.click(s.control_id);
        EXPECT_EQ(s.value(), 1) << s.name;
    }
    for (int on : {0, 1}) {
        d.click(on ? IDC_UNMUTE_ALL : IDC_MUTE_ALL);
        for (const setting_row& s : setting_table) {
            if (s.control != dialog_control::speaker_toggle) continue;
            EXPECT_EQ(s.value(), on) << s.name;
            EXPECT_EQ(d.checked(s.control_id), bool(on)) << s.name;
        }
    }
}

// A control is enabled where the mode's path reads its setting, so that the dialog never offers
// a change that does nothing.
TEST_F(config_dialog, controls_grey_out_where_the_mode_ignores_their_settings) {
    open_dialog d;
    for (int state = 0; state < 4; ++state) {
        const bool bass = state & 1, virtual_centre = state & 2;
        // The boxes can only be clicked where they are enabled.
        d.select_mode(2);
        if (d.checked(IDC_BASS_ENABLE) != bass) d.click(IDC_BASS_ENABLE);
        if (d.checked(IDC_VIRTUAL_CENTRE) != virtual_centre) d.click(IDC_VIRTUAL_CENTRE);
        for (int mode = 0; mode < mode_count; ++mode) {
            d.select_mode(mode);
            const mode_path path = mode_table[mode].path;
            const bool decoder =
                path == mode_path::passive_decoder || path == mode_path::steered_decoder;
            const bool speakers = decoder || path == mode_path::headphones;
            const auto expect = [&](bool on, std::initializer_list<int> ids) {
                for (int id : ids) {
                    EXPECT_EQ(d.enabled(id), on) << "control " << id << " mode " << mode << " bass "
                                                 << bass << " vc " << virtual_centre;
                }
            };
            expect(path == mode_path::steered_decoder && !virtual_centre, {IDC_CENTRE_WIDTH});
            expect(decoder,
                   {IDC_VIRTUAL_CENTRE, IDC_CENTRE_TRIM, IDC_SURROUND_TRIM, IDC_BASS_ENABLE});
            expect(decoder && bass,
                   {IDC_BASS_FREQUENCY, IDC_BASS_TRIM, IDC_BASS_INVERT, IDC_BASS_BOOST});
            expect(speakers, {IDC_SURROUND_DELAY, IDC_SPEAKER_L, IDC_SPEAKER_C, IDC_SPEAKER_R,
                              IDC_SPEAKER_SL, IDC_SPEAKER_SR, IDC_MUTE_ALL, IDC_UNMUTE_ALL});
        }
    }
    // A mode outside the table (a damaged configuration) leaves the states as they were.
    d.select_mode(2);
    cfg_mode = 12;
    d.move_slider(IDC_MASTER_GAIN, -1);
    EXPECT_TRUE(d.enabled(IDC_BASS_TRIM));
}

// Cancel and Escape put the processing settings back, and the tray's picture with them; the tray
// settings, which act at once, stay as set. Ok keeps everything.
TEST_F(config_dialog, ok_keeps_the_changes_cancel_and_escape_restore_them) {
    for (int way : {IDC_OK, IDC_CANCEL, VK_ESCAPE}) {
        SetUp();
        cfg_mode = 3;
        playback_active = 1;
        add_tray_icon();
        const auto before = processing_values();
        open_dialog d;
        d.move_slider(IDC_SURROUND_DELAY, 77);
        d.click(IDC_MUTE_ALL);
        d.select_mode(1);
        d.click(IDC_TRAY_ONLY_WHEN_PLAYING);
        const auto changed = processing_values();
        // Escape through the dialog's message loop, which makes it a cancel.
        way == VK_ESCAPE ? void(PostMessageW(d.item(IDC_OK), WM_KEYDOWN, VK_ESCAPE, 0))
                         : d.click(way);
        EXPECT_TRUE(d.closed()) << way;
        EXPECT_EQ(processing_values(), way == IDC_OK ? changed : before) << way;
        EXPECT_EQ(cfg_tray_only_when_playing, 0) << way;
        EXPECT_EQ(shown_mode(), cfg_mode) << way;
    }
}

// Each step changes the text, so that a wait never passes on the text of the step before.
TEST_F(config_dialog, the_status_line_tells_whether_the_mode_acts_on_the_last_source) {
    const std::wstring decoding = L"Processor in decoding mode.",
                       encoding = L"Processor in encoding mode.",
                       needs = L"Processor inactive. Requires an audio source with ";
    const std::tuple<int, unsigned, unsigned, std::wstring> steps[] = {
        {0, 0, 0, L"Bypass\nNo audio processing is performed."},
        {4, 2, 44100, L"Ambiora-AS2\n" + decoding},
        {4, 6, 44100, L"Ambiora-AS2\n" + needs + L"2 channels."},
        {5, 2, 96000, L"Ambiora Headphone\n" + needs + L"a sampling rate of 44.1 or 48KHz."},
        {5, 2, 48000, L"Ambiora Headphone\n" + encoding},  // a new rate alone changes the line
        {5, 3, 44100, L"Ambiora Headphone\n" + needs + L"2, 4, 5 or 6 channels."},
        {6, 5, 44100, L"Ambiora Headphone Movie\n" + encoding},
        {7, 2, 44100,
         L"Ambiora Encode\nProcessor inactive. An audio source with 4, 5 or 6 channels is "
         L"required."},
        {8, 4, 44100, L"Ambiora Encode2\n" + encoding},
        {1, 2, 32000, L"Ambiora+C\n" + decoding},
        {1, 0, 0, L"Ambiora+C\nProcessor inactive."},
        {12, 0, 0, L""},  // a mode outside the table (a damaged configuration)
    };
    open_dialog d;
    for (const auto& [mode, channels, rate, text] : steps) {  // channels and rate of the last chunk
        cfg_mode = mode;
        last_input_channels = channels;
        last_input_rate = rate;
        EXPECT_TRUE(d.wait_for_text(IDC_STATUS, text)) << testing::PrintToString(text);
    }
}

}  // namespace
}  // namespace ui_test
