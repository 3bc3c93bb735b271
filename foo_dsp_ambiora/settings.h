// The component's nineteen persisted settings, described once.
//
// `setting_table()` is the single description of every setting (its name, GUID, default, range and
// unit). The stored stream, the dialog's slider ranges and the command-line options are all
// derived from it, so a setting is added or changed in one place.
//
// Threading: each value is one 32-bit word read and written whole from any thread (see cfg_var.h).
// The dialog and the tray write; chunk processing reads each processing setting once per chunk.
#pragma once

#include <cstdint>
#include <span>

#include "cfg_var.h"

namespace ambiora {

using cfg_setting = cfg_int_t<std::int32_t>;

extern cfg_setting cfg_mode;
extern cfg_setting cfg_surround_delay;
extern cfg_setting cfg_centre_width;
extern cfg_setting cfg_centre_trim;
extern cfg_setting cfg_surround_trim;
extern cfg_setting cfg_bass_frequency;
extern cfg_setting cfg_bass_enable;
extern cfg_setting cfg_bass_trim;
extern cfg_setting cfg_bass_invert;
extern cfg_setting cfg_bass_boost;
extern cfg_setting cfg_virtual_centre;
extern cfg_setting cfg_speaker_l;
extern cfg_setting cfg_speaker_r;
extern cfg_setting cfg_speaker_c;
extern cfg_setting cfg_speaker_sl;
extern cfg_setting cfg_speaker_sr;
extern cfg_setting cfg_master_gain;
extern cfg_setting cfg_tray_icon;
extern cfg_setting cfg_tray_only_when_playing;

enum class setting_unit { mode, milliseconds, percent, decibels, hertz, on_off };

struct setting_info {
    const char* name;  // the setting's key for people: "surround-delay"
    cfg_setting& var;
    std::int32_t default_value;
    std::int32_t min_value;  // the range the dialog offers; stored values are not clamped
    std::int32_t max_value;
    setting_unit unit;
    bool processing;  // one of the seventeen the engine reads (the tray settings are not)
    const char* meaning;  // a short phrase for help texts: "delay of the surround channels"
};

inline constexpr int processing_setting_count = 17;
inline constexpr int setting_count = 19;

// The nineteen settings in construction order, cfg_mode first.
std::span<const setting_info, setting_count> setting_table();

// Finds a setting by name; null when there is none.
const setting_info* find_setting(const char* name);

// Puts every setting back to its default.
void restore_default_settings();

// Names of the processing modes as people see them ("Ambiora-AS2"), indexed by mode; null for a
// value outside 0 to 8.
const char* mode_name(std::int32_t mode);

}  // namespace ambiora
