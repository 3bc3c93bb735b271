// The --schedule file: settings changes and resets between chunks, to reproduce what happens when
// a user moves a control or seeks during playback.
//
//     # comment
//     0   mode=Ambiora-AS2 surround-delay=10
//     12  centre-trim=-6
//     20  reset                 (what a seek does)
//     20  mode=5
//
// A line is an input chunk index and words applied, left to right, before that chunk goes in.
// Lines for one index apply in file order. Names are the option names, with or without dashes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "setting_options.h"

namespace ambiora_cli {

struct schedule_step {
    bool reset = false;  // a seek; otherwise `assignment` is written
    setting_assignment assignment{};
};

struct schedule {
    std::string path;
    std::map<std::uint64_t, std::vector<schedule_step>> steps_before_chunk;
};

// Throws usage_error "FILE:LINE: what is wrong" for a line that cannot be read; values outside a
// setting's range are warned about and kept.
schedule read_schedule(const std::string& path);

}  // namespace ambiora_cli
