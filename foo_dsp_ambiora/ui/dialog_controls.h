// The configuration dialog's controls and the settings they edit, and `update_controls`, which
// brings every control in line with the settings.
#pragma once

#include <cstdint>

#include "platform.h"
#include "settings.h"

namespace ambiora {

struct slider_binding {
    int slider_id;
    int value_text_id;
    cfg_setting& setting;
};

struct check_binding {
    int id;
    cfg_setting& setting;
};

// The seven sliders, all read together on any slider move.
inline constexpr int dialog_slider_count = 7;
extern const slider_binding dialog_sliders[dialog_slider_count];

// The eleven check boxes and speaker toggles in the order a click reads them back.
inline constexpr int dialog_check_count = 11;
extern const check_binding dialog_checks[dialog_check_count];

// Enable state of a mode-dependent control.
enum class control_enable { off, on, if_bass, if_no_virtual_centre };

// The enable rule for control `id` in `mode`; `on` for controls that never grey out. Modes
// outside 0 to 8 have no rule (the caller leaves such controls alone).
control_enable enable_rule(int id, std::int32_t mode);

// Value texts, speaker toggles, the mode's enable states and the tray check box dependency.
void update_controls(HWND dialog);

}  // namespace ambiora
