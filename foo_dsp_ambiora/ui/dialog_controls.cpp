#include "ui/dialog_controls.h"

#include <commctrl.h>

#include <cstdio>

#include "ui/mode_resources.h"
#include "ui/ui_resource_ids.h"

namespace ambiora {

const slider_binding dialog_sliders[dialog_slider_count] = {
    {IDC_MASTER_GAIN, IDC_MASTER_GAIN_VALUE, cfg_master_gain},
    {IDC_CENTRE_WIDTH, IDC_CENTRE_WIDTH_VALUE, cfg_centre_width},
    {IDC_CENTRE_TRIM, IDC_CENTRE_TRIM_VALUE, cfg_centre_trim},
    {IDC_SURROUND_DELAY, IDC_SURROUND_DELAY_VALUE, cfg_surround_delay},
    {IDC_SURROUND_TRIM, IDC_SURROUND_TRIM_VALUE, cfg_surround_trim},
    {IDC_BASS_FREQUENCY, IDC_BASS_FREQUENCY_VALUE, cfg_bass_frequency},
    {IDC_BASS_TRIM, IDC_BASS_TRIM_VALUE, cfg_bass_trim},
};

const check_binding dialog_checks[dialog_check_count] = {
    {IDC_BASS_ENABLE, cfg_bass_enable},
    {IDC_BASS_INVERT, cfg_bass_invert},
    {IDC_BASS_BOOST, cfg_bass_boost},
    {IDC_VIRTUAL_CENTRE, cfg_virtual_centre},
    {IDC_SPEAKER_L, cfg_speaker_l},
    {IDC_SPEAKER_R, cfg_speaker_r},
    {IDC_SPEAKER_C, cfg_speaker_c},
    {IDC_SPEAKER_SL, cfg_speaker_sl},
    {IDC_SPEAKER_SR, cfg_speaker_sr},
    {IDC_TRAY_ICON, cfg_tray_icon},
    {IDC_TRAY_ONLY_WHEN_PLAYING, cfg_tray_only_when_playing},
};

namespace {

using enum control_enable;

// Columns of the enable table: which group of modes a mode belongs to.
enum mode_group { untouched_group, plus_c_group, steered_group, headphone_group };

// Encode2 is greyed like Encode: neither encoder reads the centre, surround, bass or speaker
// settings, so leaving those controls live (or as the previous mode left them) would suggest an
// effect that is not there.
mode_group group_of(std::int32_t mode) {
    switch (mode) {
        case 1:
            return plus_c_group;
        case 2:
        case 3:
        case 4:
            return steered_group;
        case 5:
        case 6:
            return headphone_group;
        default:
            return untouched_group;  // Bypass, Encode, Encode2
    }
}

struct enable_row {
    int id;
    control_enable by_group[4];  // untouched, +C, -AS/-ASr/-AS2, headphone
};

constexpr enable_row enable_table[] = {
    {IDC_CENTRE_WIDTH, {off, off, if_no_virtual_centre, off}},
    {IDC_VIRTUAL_CENTRE, {off, on, on, off}},
    {IDC_CENTRE_TRIM, {off, on, on, off}},
    {IDC_SURROUND_DELAY, {off, on, on, on}},
    {IDC_SURROUND_TRIM, {off, on, on, off}},
    {IDC_BASS_ENABLE, {off, on, on, off}},
    {IDC_BASS_FREQUENCY, {off, if_bass, if_bass, off}},
    {IDC_BASS_TRIM, {off, if_bass, if_bass, off}},
    {IDC_BASS_INVERT, {off, if_bass, if_bass, off}},
    {IDC_BASS_BOOST, {off, if_bass, if_bass, off}},
    {IDC_SPEAKER_L, {off, on, on, on}},
    {IDC_SPEAKER_C, {off, on, on, on}},
    {IDC_SPEAKER_R, {off, on, on, on}},
    {IDC_SPEAKER_SL, {off, on, on, on}},
    {IDC_SPEAKER_SR, {off, on, on, on}},
    {IDC_MUTE_ALL, {off, on, on, on}},
    {IDC_UNMUTE_ALL, {off, on, on, on}},
};

bool resolve(control_enable rule) {
    switch (rule) {
        case off:
            return false;
        case if_bass:
            return cfg_bass_enable != 0;
        case if_no_virtual_centre:
            return cfg_virtual_centre == 0;
        case on:
        default:
            return true;
    }
}

void write_value_texts(HWND dialog) {
    for (const slider_binding& s : dialog_sliders) {
        wchar_t text[16];
        swprintf(text, 16, L"%d", int(s.setting.get()));
        SetDlgItemTextW(dialog, s.value_text_id, text);
    }
}

void set_speaker_toggles(HWND dialog) {
    const check_binding speakers[] = {{IDC_SPEAKER_L, cfg_speaker_l},
                                      {IDC_SPEAKER_R, cfg_speaker_r},
                                      {IDC_SPEAKER_C, cfg_speaker_c},
                                      {IDC_SPEAKER_SL, cfg_speaker_sl},
                                      {IDC_SPEAKER_SR, cfg_speaker_sr}};
    for (const check_binding& s : speakers) {
        CheckDlgButton(dialog, s.id, s.setting ? BST_CHECKED : BST_UNCHECKED);
    }
}

}  // namespace

control_enable enable_rule(int id, std::int32_t mode) {
    for (const enable_row& row : enable_table) {
        if (row.id == id) return row.by_group[group_of(mode)];
    }
    return on;
}

void update_controls(HWND dialog) {
    write_value_texts(dialog);
    set_speaker_toggles(dialog);
    const std::int32_t mode = cfg_mode;
    if (is_known_mode(mode)) {
        for (const enable_row& row : enable_table) {
            EnableWindow(GetDlgItem(dialog, row.id), resolve(enable_rule(row.id, mode)));
        }
    }
    EnableWindow(GetDlgItem(dialog, IDC_TRAY_ONLY_WHEN_PLAYING), cfg_tray_icon != 0);
}

}  // namespace ambiora
