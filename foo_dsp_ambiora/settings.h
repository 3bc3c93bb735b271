// The component's nineteen persisted settings, each described once.
//
// `setting_table` is the one place a setting is described: its name, GUID, default, range, unit
// and help, the `block_context` field it feeds and the dialog control that edits it. Everything
// else is made from the rows: the stored values (built from the rows' defaults, in row order, so
// that saving walks them from the last row back to the first), the engine's per-chunk snapshot,
// the dialog's bindings and ranges, and the command line's options and help. Adding a setting is
// a row here plus its real behaviour (the `block_context` field it feeds and the stage that reads
// it, or the code that reads it by name).
//
// Threading: each value is one 32-bit word read and written whole from any thread (see cfg_var.h).
// The dialog and the tray write; chunk processing reads each processing setting once per chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include "cfg_var.h"
#include "engine/block_context.h"
#include "ui/ui_resource_ids.h"

namespace ambiora {

using cfg_setting = cfg_int_t<std::int32_t>;

enum class setting_unit { mode, milliseconds, percent, decibels, hertz, on_off };

// How the configuration dialog edits a setting. A speaker toggle is a check box drawn as a push
// button; "Mute All" and "Umute All" set every setting edited by one.
enum class dialog_control { mode_list, slider, check_box, speaker_toggle };

// The `block_field` of the two tray settings, which the engine never sees.
inline constexpr std::size_t not_processed = SIZE_MAX;

struct setting_row {
    const char* name;  // the setting's key for people: "surround-delay"
    GUID guid;         // its key in the stored stream
    std::int32_t default_value;
    std::int32_t min_value;  // the range the dialog offers; stored values are not clamped
    std::int32_t max_value;
    setting_unit unit;
    std::size_t block_field;  // offset of the int32 block_context field it feeds
    dialog_control control;
    int control_id;
    int value_text_id;    // a slider's value text; 0 for other controls
    const char* meaning;  // a short phrase for help texts: "delay of the surround channels"

    constexpr bool processing() const { return block_field != not_processed; }
    cfg_setting& value() const;  // the stored value
};

// clang-format off
inline constexpr setting_row setting_table[] = {
    {"mode", {0x41ac41e7, 0x7c3a, 0x467d, {0xb7, 0xf2, 0x8b, 0x5c, 0xc1, 0x3c, 0x03, 0x06}},
     4, 0, 8, setting_unit::mode, offsetof(block_context, mode),
     dialog_control::mode_list, IDC_MODE_LIST, 0, "processing mode"},
    {"surround-delay", {0x89534295, 0xd81b, 0x461b, {0x8f, 0x22, 0x8d, 0xc5, 0xa3, 0x21, 0x98, 0x14}},
     20, 0, 100, setting_unit::milliseconds, offsetof(block_context, surround_delay_ms),
     dialog_control::slider, IDC_SURROUND_DELAY, IDC_SURROUND_DELAY_VALUE, "delay of the surround channels"},
    {"centre-width", {0x637919c1, 0x90a5, 0x4b62, {0x85, 0xa4, 0xe9, 0x91, 0x90, 0x9a, 0xcb, 0x56}},
     0, 0, 100, setting_unit::percent, offsetof(block_context, centre_width_pct),
     dialog_control::slider, IDC_CENTRE_WIDTH, IDC_CENTRE_WIDTH_VALUE, "centre width"},
    {"centre-trim", {0xb28be470, 0x4410, 0x46c7, {0xb4, 0x48, 0xad, 0x43, 0xf3, 0x04, 0xfe, 0xe0}},
     0, -12, 12, setting_unit::decibels, offsetof(block_context, centre_trim_db),
     dialog_control::slider, IDC_CENTRE_TRIM, IDC_CENTRE_TRIM_VALUE, "centre channel level"},
    {"surround-trim", {0x6a369e37, 0x6251, 0x4f23, {0x89, 0x70, 0x17, 0x05, 0x01, 0xcd, 0x06, 0x01}},
     0, -12, 12, setting_unit::decibels, offsetof(block_context, surround_trim_db),
     dialog_control::slider, IDC_SURROUND_TRIM, IDC_SURROUND_TRIM_VALUE, "surround channels level"},
    {"bass-frequency", {0x394ecec2, 0x9bea, 0x4113, {0x86, 0xbc, 0xf4, 0x21, 0x05, 0xa8, 0xa7, 0x4f}},
     120, 10, 200, setting_unit::hertz, offsetof(block_context, bass_redirect_hz),
     dialog_control::slider, IDC_BASS_FREQUENCY, IDC_BASS_FREQUENCY_VALUE, "bass redirection crossover frequency"},
    {"bass-enable", {0x5e651472, 0x60b9, 0x49bf, {0x88, 0xe1, 0x02, 0xae, 0x5e, 0x90, 0xed, 0x8f}},
     0, 0, 1, setting_unit::on_off, offsetof(block_context, bass_redirect_on),
     dialog_control::check_box, IDC_BASS_ENABLE, 0, "bass redirection on"},
    {"bass-trim", {0x036b3f46, 0x2bf4, 0x40e4, {0x9a, 0xc1, 0x39, 0x7e, 0x55, 0xfd, 0x78, 0xd0}},
     0, -12, 12, setting_unit::decibels, offsetof(block_context, bass_trim_db),
     dialog_control::slider, IDC_BASS_TRIM, IDC_BASS_TRIM_VALUE, "level of the redirected bass"},
    {"bass-invert", {0x197189e3, 0x4d0d, 0x422a, {0xb9, 0xbd, 0xe0, 0x61, 0x99, 0x60, 0x65, 0x05}},
     0, 0, 1, setting_unit::on_off, offsetof(block_context, bass_invert),
     dialog_control::check_box, IDC_BASS_INVERT, 0, "redirected bass phase inverted"},
    {"bass-boost", {0x2385f463, 0xd6b0, 0x45a0, {0x86, 0x63, 0xd6, 0x6d, 0x5f, 0x53, 0xfd, 0x96}},
     0, 0, 1, setting_unit::on_off, offsetof(block_context, bass_plus10db),
     dialog_control::check_box, IDC_BASS_BOOST, 0, "redirected bass +10 dB"},
    {"virtual-centre", {0xc3fe7315, 0x2d86, 0x460b, {0xb7, 0x82, 0xbb, 0x49, 0x45, 0xca, 0xcf, 0x93}},
     0, 0, 1, setting_unit::on_off, offsetof(block_context, virtual_centre),
     dialog_control::check_box, IDC_VIRTUAL_CENTRE, 0, "virtual centre speaker"},
    {"speaker-l", {0x692b5ca9, 0xe127, 0x47ca, {0xb1, 0x20, 0x7f, 0xe9, 0x85, 0x99, 0xb2, 0x0b}},
     1, 0, 1, setting_unit::on_off, offsetof(block_context, speaker_on[speaker_l]),
     dialog_control::speaker_toggle, IDC_SPEAKER_L, 0, "left speaker sounding"},
    {"speaker-r", {0xc3d9cc9c, 0x7945, 0x407d, {0xaa, 0x80, 0x1c, 0xeb, 0xa0, 0xc2, 0x56, 0xe7}},
     1, 0, 1, setting_unit::on_off, offsetof(block_context, speaker_on[speaker_r]),
     dialog_control::speaker_toggle, IDC_SPEAKER_R, 0, "right speaker sounding"},
    {"speaker-c", {0xec2d8485, 0xdabe, 0x4656, {0xbe, 0xf4, 0x5d, 0x96, 0xed, 0x83, 0xca, 0x48}},
     1, 0, 1, setting_unit::on_off, offsetof(block_context, speaker_on[speaker_c]),
     dialog_control::speaker_toggle, IDC_SPEAKER_C, 0, "centre speaker sounding"},
    {"speaker-sl", {0xd76f69bb, 0xd59b, 0x4742, {0x87, 0x2c, 0xf2, 0x28, 0x99, 0xf0, 0x17, 0x74}},
     1, 0, 1, setting_unit::on_off, offsetof(block_context, speaker_on[speaker_sl]),
     dialog_control::speaker_toggle, IDC_SPEAKER_SL, 0, "surround-left speaker sounding"},
    {"speaker-sr", {0x58a4e091, 0x44db, 0x45c6, {0xbd, 0x6a, 0xe4, 0xf7, 0x8a, 0xd4, 0xf4, 0xf0}},
     1, 0, 1, setting_unit::on_off, offsetof(block_context, speaker_on[speaker_sr]),
     dialog_control::speaker_toggle, IDC_SPEAKER_SR, 0, "surround-right speaker sounding"},
    {"master-gain", {0xc4ac0081, 0xeb42, 0x45ed, {0x86, 0xec, 0xfa, 0x63, 0xb9, 0x11, 0xb3, 0x00}},
     0, -12, 0, setting_unit::decibels, offsetof(block_context, master_gain_db),
     dialog_control::slider, IDC_MASTER_GAIN, IDC_MASTER_GAIN_VALUE, "output gain"},
    {"tray-icon", {0x8e435c74, 0x5b94, 0x4386, {0x8b, 0x76, 0x4f, 0xd2, 0x2a, 0x7a, 0x4b, 0x1f}},
     1, 0, 1, setting_unit::on_off, not_processed,
     dialog_control::check_box, IDC_TRAY_ICON, 0, "show the tray icon"},
    {"tray-only-when-playing", {0x6e42bca3, 0x8e51, 0x4d59, {0x80, 0x76, 0x00, 0x7f, 0xe7, 0xed, 0x8f, 0x6a}},
     1, 0, 1, setting_unit::on_off, not_processed,
     dialog_control::check_box, IDC_TRAY_ONLY_WHEN_PLAYING, 0, "show the tray icon only while playing"},
};
// clang-format on

inline constexpr std::size_t setting_count = std::size(setting_table);
inline constexpr std::size_t processing_setting_count = [] {
    std::size_t count = 0;
    for (const setting_row& row : setting_table) count += row.processing() ? 1 : 0;
    return count;
}();

// The stored values, one per row in row order, each built with its row's GUID and default. Each
// joins the head of the settings list as it is built (settings.cpp pins when that happens).
template <class rows>
struct setting_store;
template <std::size_t... row>
struct setting_store<std::index_sequence<row...>> {
    cfg_setting values[sizeof...(row)]{
        {setting_table[row].guid, setting_table[row].default_value}...};
};
extern setting_store<std::make_index_sequence<setting_count>> stored_settings;

inline cfg_setting& setting_row::value() const {
    return stored_settings.values[this - setting_table];
}

// A setting named in the code: a name that is not in the table does not compile.
struct setting_name {
    std::size_t row;
    consteval setting_name(const char* name) : row(0) {
        while (row < setting_count && std::string_view(name) != setting_table[row].name) ++row;
        if (row == setting_count) throw "no setting has this name";
    }
};
inline cfg_setting& setting(setting_name name) {
    return stored_settings.values[name.row];
}

// The settings that the component's own code reads by name; the others reach the engine through
// the snapshot alone.
inline cfg_setting& cfg_mode = stored_settings.values[setting_name("mode").row];
inline cfg_setting& cfg_bass_enable = stored_settings.values[setting_name("bass-enable").row];
inline cfg_setting& cfg_virtual_centre = stored_settings.values[setting_name("virtual-centre").row];
inline cfg_setting& cfg_tray_icon = stored_settings.values[setting_name("tray-icon").row];
inline cfg_setting& cfg_tray_only_when_playing =
    stored_settings.values[setting_name("tray-only-when-playing").row];

// Finds a setting by the name people write; null when there is none.
const setting_row* find_setting(std::string_view name);

// Puts every setting back to its default.
void restore_default_settings();

// Copies the seventeen processing settings into the block's fields, reading each exactly once, so
// that the whole chunk is processed with one consistent value per setting.
void snapshot_settings(block_context& ctx);

}  // namespace ambiora
