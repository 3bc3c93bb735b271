// What each processing mode is called and drawn as in the user interface, indexed by mode
// (0 Bypass to 8 Encode2): the dialog's mode list, the tray menu's item ids and the tray icons.
#pragma once

#include <cstdint>

#include "ui/ui_resource_ids.h"

namespace ambiora {

inline constexpr int ui_mode_count = 9;

inline constexpr const wchar_t* mode_list_texts[ui_mode_count] = {
    L"Bypass",
    L"Ambiora+C (3/1) = L,R,C,S",
    L"Ambiora-AS (3/1) = L,R,C,S",
    L"Ambiora-ASr (3/2) = L,R,C,SL,SR",
    L"Ambiora-AS2 (3/2) = L,R,C,SL,SR",
    L"Ambiora Headphone (2/0) = L,R",
    L"Ambiora Headphone Movie (2/0) = L,R",
    L"Ambiora Encode (2/0) = L,R",
    L"Ambiora Encode2 (2/0) = L,R",
};

inline constexpr int tray_menu_ids[ui_mode_count] = {
    ID_TRAY_BYPASS,          ID_TRAY_AMBIORA_PLUS_C, ID_TRAY_AMBIORA_AS,
    ID_TRAY_AMBIORA_ASR,     ID_TRAY_AMBIORA_AS2,    ID_TRAY_HEADPHONE,
    ID_TRAY_HEADPHONE_MOVIE, ID_TRAY_ENCODE,         ID_TRAY_ENCODE2,
};

inline constexpr int tray_icon_ids[ui_mode_count] = {
    IDI_MODE_BYPASS,          IDI_MODE_AMBIORA_PLUS_C, IDI_MODE_AMBIORA_AS,
    IDI_MODE_AMBIORA_ASR,     IDI_MODE_AMBIORA_AS2,    IDI_MODE_HEADPHONE,
    IDI_MODE_HEADPHONE_MOVIE, IDI_MODE_ENCODE,         IDI_MODE_ENCODE2,
};

inline constexpr bool is_known_mode(std::int32_t mode) {
    return mode >= 0 && mode < ui_mode_count;
}

// The mode a tray menu id stands for, or -1 for any other id ("Cancel").
inline constexpr std::int32_t mode_of_tray_menu_id(int id) {
    for (int mode = 0; mode < ui_mode_count; ++mode) {
        if (tray_menu_ids[mode] == id) return mode;
    }
    return -1;
}

}  // namespace ambiora
