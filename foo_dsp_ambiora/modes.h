// The nine processing modes, described once: what each is called, how the user interface shows it
// and what the engine does in it. A mode's number is its row in `mode_table`; the same number is
// `cfg_mode`, the index in the dialog's mode list and the position in the tray menu.
//
// Adding a mode is a row here plus its real behaviour: its icon and its item in the tray menu
// (resources/ui_resources.rc), and the stages it runs if no existing path fits.
//
// Threading: constant data, read from any thread.
#pragma once

#include <cstdint>
#include <span>

#include "ui/ui_resource_ids.h"

namespace ambiora {

// What the engine runs in a mode (the block pipeline adds the channel-count and rate conditions).
enum class mode_path {
    pass_through,     // nothing but the fixed -3 dB
    passive_decoder,  // stereo to six channels by the fixed matrix
    steered_decoder,  // stereo to six channels by the logic-steered matrix
    headphones,       // two to six channels rendered binaurally onto two
    mono_encoder,     // four to six channels folded onto a matrix-encoded pair, one surround
    stereo_encoder,   // the same with the two surrounds kept apart
};

// Which controls the configuration dialog enables in a mode (its enable table has one column per
// group).
enum class dialog_group { untouched, passive_decoder, steered_decoder, headphones };

struct mode_row {
    const char* name;          // "Ambiora-AS2": the status line's first line, command-line name
    const wchar_t* list_text;  // the entry in the dialog's mode list
    int tray_menu_id;          // the tray menu item standing at this mode's position
    int tray_icon_id;          // the tray icon's resource
    dialog_group group;
    mode_path path;
    bool single_surround;     // one surround signal on both rear speakers (3/1 layouts)
    bool full_surround_band;  // the decoders leave out their 7 kHz surround low-pass
    std::uint32_t hrir_bank;  // the responses the headphone modes render with
};

// clang-format off
inline constexpr mode_row mode_table[] = {
    {"Bypass", L"Bypass",
     ID_TRAY_BYPASS, IDI_MODE_BYPASS, dialog_group::untouched, mode_path::pass_through, false, false, 0},
    {"Ambiora+C", L"Ambiora+C (3/1) = L,R,C,S",
     ID_TRAY_AMBIORA_PLUS_C, IDI_MODE_AMBIORA_PLUS_C, dialog_group::passive_decoder, mode_path::passive_decoder, true, false, 0},
    {"Ambiora-AS", L"Ambiora-AS (3/1) = L,R,C,S",
     ID_TRAY_AMBIORA_AS, IDI_MODE_AMBIORA_AS, dialog_group::steered_decoder, mode_path::steered_decoder, true, false, 0},
    {"Ambiora-ASr", L"Ambiora-ASr (3/2) = L,R,C,SL,SR",
     ID_TRAY_AMBIORA_ASR, IDI_MODE_AMBIORA_ASR, dialog_group::steered_decoder, mode_path::steered_decoder, false, false, 0},
    {"Ambiora-AS2", L"Ambiora-AS2 (3/2) = L,R,C,SL,SR",
     ID_TRAY_AMBIORA_AS2, IDI_MODE_AMBIORA_AS2, dialog_group::steered_decoder, mode_path::steered_decoder, false, true, 0},
    {"Ambiora Headphone", L"Ambiora Headphone (2/0) = L,R",
     ID_TRAY_HEADPHONE, IDI_MODE_HEADPHONE, dialog_group::headphones, mode_path::headphones, false, true, 0},
    {"Ambiora Headphone Movie", L"Ambiora Headphone Movie (2/0) = L,R",
     ID_TRAY_HEADPHONE_MOVIE, IDI_MODE_HEADPHONE_MOVIE, dialog_group::headphones, mode_path::headphones, false, true, 1},
    // Neither encoder reads the centre, surround, bass or speaker settings, so Encode2 greys those
    // controls like Encode rather than suggest an effect that is not there.
    {"Ambiora Encode", L"Ambiora Encode (2/0) = L,R",
     ID_TRAY_ENCODE, IDI_MODE_ENCODE, dialog_group::untouched, mode_path::mono_encoder, false, false, 0},
    {"Ambiora Encode2", L"Ambiora Encode2 (2/0) = L,R",
     ID_TRAY_ENCODE2, IDI_MODE_ENCODE2, dialog_group::untouched, mode_path::stereo_encoder, false, false, 0},
};
// clang-format on

inline constexpr std::int32_t mode_count = std::int32_t(std::size(mode_table));

// The row of `mode`, or null for a value outside the table (only a damaged stored configuration
// holds one).
constexpr const mode_row* find_mode(std::int32_t mode) {
    return mode >= 0 && mode < mode_count ? &mode_table[mode] : nullptr;
}

// The row the engine runs `mode` by: a value outside the table behaves as Bypass.
constexpr const mode_row& mode_behaviour(std::int32_t mode) {
    const mode_row* row = find_mode(mode);
    return row != nullptr ? *row : mode_table[0];
}

// The mode a tray menu id stands for, or -1 for any other id ("Cancel").
constexpr std::int32_t mode_of_tray_menu_id(int id) {
    for (std::int32_t mode = 0; mode < mode_count; ++mode) {
        if (mode_table[mode].tray_menu_id == id) return mode;
    }
    return -1;
}

}  // namespace ambiora
