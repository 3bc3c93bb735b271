// The configuration dialog, opened through the DSP entry and driven by the messages its controls
// send: settings written live, value texts, enable states, Cancel/Escape/Ok and the status line.
#include "platform.h"

#include <commctrl.h>

#include <array>
#include <vector>

#include "runtime_state.h"
#include "settings.h"
#include "ui/tray.h"
#include "ui/tray_state.h"
#include "ui/ui_resource_ids.h"
#include "ui_test_support.h"

namespace ui_test {
namespace {

using namespace ambiora;

class config_dialog : public ui_test {};

// All seventeen processing settings, in table order.
std::vector<std::int32_t> processing_values() {
    std::vector<std::int32_t> v;
    for (const setting_row& s : setting_table) {
        if (s.processing()) v.push_back(s.value());
    }
    return v;
}

TEST_F(config_dialog, opens_with_the_current_settings) {
    cfg_mode = 2;
    ambiora::setting("master-gain") = -5;
    ambiora::setting("bass-frequency") = 80;
    ambiora::setting("centre-trim") = -12;
    ambiora::setting("bass-invert") = 1;
    cfg_tray_only_when_playing = 0;
    open_dialog d;
    ASSERT_NE(d.window(), nullptr);

    EXPECT_EQ(SendMessageW(d.item(IDC_MODE_LIST), CB_GETCOUNT, 0, 0), 9);
    EXPECT_EQ(SendMessageW(d.item(IDC_MODE_LIST), CB_GETCURSEL, 0, 0), 2);
    wchar_t item[64] = {};
    SendMessageW(d.item(IDC_MODE_LIST), CB_GETLBTEXT, 3, LPARAM(item));
    EXPECT_STREQ(item, L"Ambiora-ASr (3/2) = L,R,C,SL,SR");
    SendMessageW(d.item(IDC_MODE_LIST), CB_GETLBTEXT, 8, LPARAM(item));
    EXPECT_STREQ(item, L"Ambiora Encode2 (2/0) = L,R");

    // Ranges from the settings table, positions from the settings.
    const struct {
        int id;
        int min, max, position;
    } sliders[] = {{IDC_MASTER_GAIN, -12, 0, -5},   {IDC_CENTRE_WIDTH, 0, 100, 0},
                   {IDC_CENTRE_TRIM, -12, 12, -12}, {IDC_SURROUND_DELAY, 0, 100, 20},
                   {IDC_SURROUND_TRIM, -12, 12, 0}, {IDC_BASS_FREQUENCY, 10, 200, 80},
                   {IDC_BASS_TRIM, -12, 12, 0}};
    for (const auto& s : sliders) {
        EXPECT_EQ(SendMessageW(d.item(s.id), TBM_GETRANGEMIN, 0, 0), s.min) << s.id;
        EXPECT_EQ(SendMessageW(d.item(s.id), TBM_GETRANGEMAX, 0, 0), s.max) << s.id;
        EXPECT_EQ(SendMessageW(d.item(s.id), TBM_GETPOS, 0, 0), s.position) << s.id;
    }
    EXPECT_EQ(d.text(IDC_MASTER_GAIN_VALUE), L"-5");
    EXPECT_EQ(d.text(IDC_BASS_FREQUENCY_VALUE), L"80");
    EXPECT_EQ(d.text(IDC_CENTRE_TRIM_VALUE), L"-12");
    EXPECT_EQ(d.text(IDC_SURROUND_DELAY_VALUE), L"20");

    EXPECT_TRUE(d.checked(IDC_BASS_INVERT));
    EXPECT_FALSE(d.checked(IDC_BASS_ENABLE));
    EXPECT_TRUE(d.checked(IDC_TRAY_ICON));
    EXPECT_FALSE(d.checked(IDC_TRAY_ONLY_WHEN_PLAYING));
    for (int id : {IDC_SPEAKER_L, IDC_SPEAKER_C, IDC_SPEAKER_R, IDC_SPEAKER_SL, IDC_SPEAKER_SR}) {
        EXPECT_TRUE(d.checked(id)) << id;
    }
    EXPECT_EQ(d.text(IDC_VERSION_LINE), L"Ambiora Processor 0.1.6a");
    EXPECT_FALSE(d.text(IDC_COPYRIGHT_LINE).empty());

    // The first tick replaces the template text.
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS, L"Ambiora-AS\nProcessor inactive."));

    // Opening changed nothing.
    EXPECT_EQ(ambiora::setting("master-gain"), -5);
    EXPECT_EQ(cfg_mode, 2);
}

TEST_F(config_dialog, a_slider_move_writes_all_seven_sliders) {
    ambiora::setting("centre-trim") = 30;  // out of range, as only a damaged configuration can hold
    ambiora::setting("surround-delay") = 55;
    open_dialog d;
    EXPECT_EQ(d.text(IDC_CENTRE_TRIM_VALUE), L"30");  // shown as stored

    d.move_slider(IDC_MASTER_GAIN, -7);
    EXPECT_EQ(ambiora::setting("master-gain"), -7);
    EXPECT_EQ(d.text(IDC_MASTER_GAIN_VALUE), L"-7");
    EXPECT_EQ(ambiora::setting("centre-trim"), 12);  // pulled to the thumb, at the end of its range
    EXPECT_EQ(d.text(IDC_CENTRE_TRIM_VALUE), L"12");
    EXPECT_EQ(ambiora::setting("surround-delay"), 55);

    d.move_slider(IDC_BASS_FREQUENCY, 10);
    d.move_slider(IDC_BASS_TRIM, -12);
    d.move_slider(IDC_SURROUND_TRIM, 3);
    d.move_slider(IDC_CENTRE_WIDTH, 100);
    d.move_slider(IDC_SURROUND_DELAY, 0);
    EXPECT_EQ(ambiora::setting("bass-frequency"), 10);
    EXPECT_EQ(ambiora::setting("bass-trim"), -12);
    EXPECT_EQ(ambiora::setting("surround-trim"), 3);
    EXPECT_EQ(ambiora::setting("centre-width"), 100);
    EXPECT_EQ(ambiora::setting("surround-delay"), 0);
    EXPECT_EQ(d.text(IDC_BASS_FREQUENCY_VALUE), L"10");
    EXPECT_EQ(d.text(IDC_BASS_TRIM_VALUE), L"-12");
    EXPECT_EQ(d.text(IDC_SURROUND_TRIM_VALUE), L"3");
    EXPECT_EQ(d.text(IDC_CENTRE_WIDTH_VALUE), L"100");
    EXPECT_EQ(d.text(IDC_SURROUND_DELAY_VALUE), L"0");
}

TEST_F(config_dialog, a_click_reads_every_check_box_and_toggle_as_zero_or_one) {
    ambiora::setting("speaker-c") = 7;  // any non-zero value is on; a click stores exactly 1
    cfg_virtual_centre = 3;
    open_dialog d;
    EXPECT_TRUE(d.checked(IDC_SPEAKER_C));

    d.click(IDC_BASS_ENABLE);
    EXPECT_EQ(cfg_bass_enable, 1);
    EXPECT_EQ(ambiora::setting("speaker-c"), 1);
    EXPECT_EQ(cfg_virtual_centre, 1);

    d.click(IDC_SPEAKER_SL);
    EXPECT_EQ(ambiora::setting("speaker-sl"), 0);
    EXPECT_FALSE(d.checked(IDC_SPEAKER_SL));
    d.click(IDC_BASS_BOOST);
    d.click(IDC_BASS_INVERT);
    EXPECT_EQ(ambiora::setting("bass-boost"), 1);
    EXPECT_EQ(ambiora::setting("bass-invert"), 1);
    d.click(IDC_SPEAKER_L);
    EXPECT_EQ(ambiora::setting("speaker-l"), 0);
}

TEST_F(config_dialog, mute_all_and_umute_all_switch_the_five_speakers) {
    open_dialog d;
    EXPECT_EQ(d.text(IDC_UNMUTE_ALL), L"Umute All");
    d.click(IDC_MUTE_ALL);
    for (cfg_setting* s :
         {&ambiora::setting("speaker-l"), &ambiora::setting("speaker-r"), &ambiora::setting("speaker-c"), &ambiora::setting("speaker-sl"), &ambiora::setting("speaker-sr")}) {
        EXPECT_EQ(s->get(), 0);
    }
    for (int id : {IDC_SPEAKER_L, IDC_SPEAKER_C, IDC_SPEAKER_R, IDC_SPEAKER_SL, IDC_SPEAKER_SR}) {
        EXPECT_FALSE(d.checked(id)) << id;
        EXPECT_TRUE(d.enabled(id)) << id;  // muting greys nothing
    }
    d.click(IDC_UNMUTE_ALL);
    for (cfg_setting* s :
         {&ambiora::setting("speaker-l"), &ambiora::setting("speaker-r"), &ambiora::setting("speaker-c"), &ambiora::setting("speaker-sl"), &ambiora::setting("speaker-sr")}) {
        EXPECT_EQ(s->get(), 1);
    }
    for (int id : {IDC_SPEAKER_L, IDC_SPEAKER_C, IDC_SPEAKER_R, IDC_SPEAKER_SL, IDC_SPEAKER_SR}) {
        EXPECT_TRUE(d.checked(id)) << id;
    }
}

// Expected enable state: 0 off, 1 on, 'b' if bass, 'v' if no virtual centre.
struct enable_expectation {
    int id;
    std::array<char, 9> by_mode;  // modes 0 to 8
};

// Encode2 (mode 8) greys like Encode: the encoders read none of these settings.
constexpr enable_expectation enable_table[] = {
    {IDC_CENTRE_WIDTH, {0, 0, 'v', 'v', 'v', 0, 0, 0, 0}},
    {IDC_VIRTUAL_CENTRE, {0, 1, 1, 1, 1, 0, 0, 0, 0}},
    {IDC_CENTRE_TRIM, {0, 1, 1, 1, 1, 0, 0, 0, 0}},
    {IDC_SURROUND_DELAY, {0, 1, 1, 1, 1, 1, 1, 0, 0}},
    {IDC_SURROUND_TRIM, {0, 1, 1, 1, 1, 0, 0, 0, 0}},
    {IDC_BASS_ENABLE, {0, 1, 1, 1, 1, 0, 0, 0, 0}},
    {IDC_BASS_FREQUENCY, {0, 'b', 'b', 'b', 'b', 0, 0, 0, 0}},
    {IDC_BASS_TRIM, {0, 'b', 'b', 'b', 'b', 0, 0, 0, 0}},
    {IDC_BASS_INVERT, {0, 'b', 'b', 'b', 'b', 0, 0, 0, 0}},
    {IDC_BASS_BOOST, {0, 'b', 'b', 'b', 'b', 0, 0, 0, 0}},
    {IDC_SPEAKER_L, {0, 1, 1, 1, 1, 1, 1, 0, 0}},
    {IDC_SPEAKER_C, {0, 1, 1, 1, 1, 1, 1, 0, 0}},
    {IDC_SPEAKER_R, {0, 1, 1, 1, 1, 1, 1, 0, 0}},
    {IDC_SPEAKER_SL, {0, 1, 1, 1, 1, 1, 1, 0, 0}},
    {IDC_SPEAKER_SR, {0, 1, 1, 1, 1, 1, 1, 0, 0}},
    {IDC_MUTE_ALL, {0, 1, 1, 1, 1, 1, 1, 0, 0}},
    {IDC_UNMUTE_ALL, {0, 1, 1, 1, 1, 1, 1, 0, 0}},
};

TEST_F(config_dialog, controls_grey_out_by_mode_bass_and_virtual_centre) {
    open_dialog d;
    for (int bass = 0; bass <= 1; ++bass) {
        for (int virtual_centre = 0; virtual_centre <= 1; ++virtual_centre) {
            for (int mode = 0; mode <= 8; ++mode) {
                // The check boxes can only be clicked where they are enabled: set them in -AS.
                d.select_mode(2);
                if (d.checked(IDC_BASS_ENABLE) != bool(bass)) d.click(IDC_BASS_ENABLE);
                if (d.checked(IDC_VIRTUAL_CENTRE) != bool(virtual_centre)) {
                    d.click(IDC_VIRTUAL_CENTRE);
                }
                d.select_mode(mode);
                ASSERT_EQ(cfg_mode, mode);
                for (const auto& row : enable_table) {
                    const char rule = row.by_mode[mode];
                    const bool expected = rule == 'b'   ? bass == 1
                                          : rule == 'v' ? virtual_centre == 0
                                                        : rule == 1;
                    EXPECT_EQ(d.enabled(row.id), expected)
                        << "control " << row.id << " mode " << mode << " bass " << bass
                        << " virtual centre " << virtual_centre;
                }
                for (int id : {IDC_MODE_LIST, IDC_MASTER_GAIN, IDC_TRAY_ICON, IDC_OK, IDC_CANCEL,
                               IDC_MASTER_GAIN_VALUE, IDC_BASS_TRIM_VALUE}) {
                    EXPECT_TRUE(d.enabled(id)) << id << " mode " << mode;
                }
            }
        }
    }
}

TEST_F(config_dialog, virtual_centre_greys_the_centre_width_on_the_same_click) {
    cfg_mode = 1;
    cfg_virtual_centre = 1;
    open_dialog d;
    EXPECT_FALSE(d.enabled(IDC_CENTRE_WIDTH));
    d.select_mode(2);
    EXPECT_FALSE(d.enabled(IDC_CENTRE_WIDTH));
    d.click(IDC_VIRTUAL_CENTRE);
    EXPECT_EQ(cfg_virtual_centre, 0);
    EXPECT_TRUE(d.enabled(IDC_CENTRE_WIDTH));
}

TEST_F(config_dialog, show_only_when_playing_follows_the_tray_icon_box_in_every_mode) {
    cfg_mode = 0;
    open_dialog d;
    EXPECT_TRUE(d.enabled(IDC_TRAY_ONLY_WHEN_PLAYING));
    d.click(IDC_TRAY_ICON);
    EXPECT_EQ(cfg_tray_icon, 0);
    EXPECT_FALSE(d.enabled(IDC_TRAY_ONLY_WHEN_PLAYING));
    d.select_mode(5);
    EXPECT_FALSE(d.enabled(IDC_TRAY_ONLY_WHEN_PLAYING));
    d.click(IDC_TRAY_ICON);
    EXPECT_TRUE(d.enabled(IDC_TRAY_ONLY_WHEN_PLAYING));
}

TEST_F(config_dialog, a_mode_outside_the_table_leaves_the_enable_states_alone) {
    cfg_mode = 12;
    cfg_tray_icon = 0;
    open_dialog d;
    EXPECT_EQ(SendMessageW(d.item(IDC_MODE_LIST), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_TRUE(d.enabled(IDC_BASS_TRIM));  // as the resource made it
    EXPECT_FALSE(d.enabled(IDC_TRAY_ONLY_WHEN_PLAYING));
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS, L""));
}

TEST_F(config_dialog, cancel_restores_the_processing_settings_but_not_the_tray_settings) {
    cfg_mode = 3;
    const auto before = processing_values();
    playback_active = 1;
    add_tray_icon();
    {
        open_dialog d;
        d.select_mode(6);
        d.move_slider(IDC_MASTER_GAIN, -9);
        d.move_slider(IDC_SURROUND_DELAY, 77);
        d.click(IDC_MUTE_ALL);
        d.select_mode(1);
        d.click(IDC_BASS_ENABLE);
        d.click(IDC_TRAY_ONLY_WHEN_PLAYING);
        d.click(IDC_TRAY_ICON);
        EXPECT_FALSE(tray_icon_shown());
        d.click(IDC_TRAY_ICON);
        EXPECT_TRUE(tray_icon_shown());
        EXPECT_EQ(cfg_mode, 1);
        d.click(IDC_CANCEL);
        EXPECT_TRUE(d.closed());
        EXPECT_TRUE(d.show_result());
    }
    EXPECT_EQ(processing_values(), before);
    EXPECT_EQ(cfg_tray_icon, 1);
    EXPECT_EQ(cfg_tray_only_when_playing, 0);
    // The tray's check mark and picture are back on the restored mode.
    const HMENU items = GetSubMenu(tray().menu, 0);
    EXPECT_TRUE(GetMenuState(items, 3, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(items, 1, MF_BYPOSITION) & MF_CHECKED);
    std::lock_guard guard(tray().lock);
    EXPECT_EQ(tray().record.hIcon, tray().icons[3]);
}

TEST_F(config_dialog, escape_behaves_like_cancel) {
    const auto before = processing_values();
    open_dialog d;
    d.move_slider(IDC_CENTRE_TRIM, 5);
    d.click(IDC_SPEAKER_R);
    d.select_mode(8);
    ASSERT_NE(processing_values(), before);
    d.press_escape();
    EXPECT_TRUE(d.closed());
    EXPECT_EQ(processing_values(), before);
}

TEST_F(config_dialog, ok_keeps_the_changes) {
    open_dialog d;
    d.move_slider(IDC_CENTRE_TRIM, 5);
    d.select_mode(7);
    d.click(IDC_OK);
    EXPECT_TRUE(d.closed());
    EXPECT_TRUE(d.show_result());
    EXPECT_EQ(ambiora::setting("centre-trim"), 5);
    EXPECT_EQ(cfg_mode, 7);
}

class dialog_status : public ui_test {
  protected:
    void play(unsigned channels, unsigned rate) {
        auto instance = host().instantiate_default();
        host_sim::run_chunk(*instance, std::vector<audio_sample>(64 * channels, 0.0f), channels,
                            rate);
    }
};

TEST_F(dialog_status, tells_whether_the_mode_acts_on_the_last_source) {
    cfg_mode = 0;
    open_dialog d;
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS, L"Bypass\nNo audio processing is performed."));

    d.select_mode(4);
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS, L"Ambiora-AS2\nProcessor inactive."));
    play(2, 44100);
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS, L"Ambiora-AS2\nProcessor in decoding mode."));
    play(6, 44100);
    EXPECT_TRUE(d.wait_for_text(
        IDC_STATUS, L"Ambiora-AS2\nProcessor inactive. Requires an audio source with 2 channels."));

    d.select_mode(5);
    play(2, 96000);
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS,
                                L"Ambiora Headphone\nProcessor inactive. Requires an audio source "
                                L"with a sampling rate of 44.1 or 48KHz."));
    // Same channel count, new rate: the line changes.
    play(2, 44100);
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS, L"Ambiora Headphone\nProcessor in encoding mode."));
    play(2, 46000);
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS, L"Ambiora Headphone\nProcessor in encoding mode."));
    play(3, 48000);
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS,
                                L"Ambiora Headphone\nProcessor inactive. Requires an audio source "
                                L"with 2, 4, 5 or 6 channels."));

    d.select_mode(6);
    play(5, 48000);
    EXPECT_TRUE(
        d.wait_for_text(IDC_STATUS, L"Ambiora Headphone Movie\nProcessor in encoding mode."));

    d.select_mode(7);
    play(2, 44100);
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS,
                                L"Ambiora Encode\nProcessor inactive. An audio source with 4, 5 or "
                                L"6 channels is required."));
    d.select_mode(8);
    play(4, 44100);
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS, L"Ambiora Encode2\nProcessor in encoding mode."));

    // A seek forgets the source until the next chunk.
    host().playback_seek(10.0);
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS, L"Ambiora Encode2\nProcessor inactive."));

    d.select_mode(1);
    play(2, 32000);
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS, L"Ambiora+C\nProcessor in decoding mode."));
    host().playback_stop();
    EXPECT_TRUE(d.wait_for_text(IDC_STATUS, L"Ambiora+C\nProcessor inactive."));
}

// The status text keeps its single line feeds; the static control draws each as a line break,
// exactly as it draws a carriage return and line feed.
TEST_F(dialog_status, a_line_feed_is_drawn_as_a_line_break) {
    cfg_mode = 0;
    open_dialog d;
    const std::wstring stored = L"Bypass\nNo audio processing is performed.";
    ASSERT_TRUE(d.wait_for_text(IDC_STATUS, stored));

    const HWND status = d.item(IDC_STATUS);
    const HDC dc = GetDC(status);
    const HGDIOBJ old = SelectObject(dc, HFONT(SendMessageW(status, WM_GETFONT, 0, 0)));
    auto height_of = [&](const std::wstring& text) {
        RECT r{0, 0, 2000, 0};
        DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_RIGHT | DT_WORDBREAK);
        return r.bottom - r.top;
    };
    const int one_line = height_of(L"Bypass No audio processing is performed.");
    EXPECT_EQ(height_of(stored), 2 * one_line);
    EXPECT_EQ(height_of(L"Bypass\r\nNo audio processing is performed."), 2 * one_line);
    SelectObject(dc, old);
    ReleaseDC(status, dc);
}

}  // namespace
}  // namespace ui_test
