#include "ui/dialog_controls.h"

#include <commctrl.h>

#include <cstdio>

#include "modes.h"
#include "settings.h"
#include "ui/ui_resource_ids.h"

namespace ambiora {
namespace {

// Enable state of a mode-dependent control.
enum class control_enable { off, on, if_bass, if_no_virtual_centre };
using enum control_enable;

struct enable_row {
    int id;
    control_enable
        by_group[4];  // indexed by dialog_group: untouched, +C, -AS/-ASr/-AS2, headphones
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

void write_value_texts_and_toggles(HWND dialog) {
    for (const setting_row& row : setting_table) {
        if (row.control == dialog_control::slider) {
            wchar_t text[16];
            swprintf(text, 16, L"%d", int(row.value().get()));
            SetDlgItemTextW(dialog, row.value_text_id, text);
        } else if (row.control == dialog_control::speaker_toggle) {
            CheckDlgButton(dialog, row.control_id, row.value() != 0 ? BST_CHECKED : BST_UNCHECKED);
        }
    }
}

}  // namespace

void update_controls(HWND dialog) {
    write_value_texts_and_toggles(dialog);
    // A mode outside the table (a damaged stored configuration) leaves the enable states as the
    // previous mode set them.
    if (const mode_row* mode = find_mode(cfg_mode)) {
        for (const enable_row& row : enable_table) {
            const control_enable rule = row.by_group[static_cast<int>(mode->group)];
            EnableWindow(GetDlgItem(dialog, row.id), resolve(rule));
        }
    }
    EnableWindow(GetDlgItem(dialog, IDC_TRAY_ONLY_WHEN_PLAYING), cfg_tray_icon != 0);
}

}  // namespace ambiora
