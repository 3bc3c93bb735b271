// The settings of one run(), read from a plugin's control ports.
//
// The same rule as the component's per-chunk snapshot: every processing setting is read once and
// written into the block_context field its row names, so one run() is processed with one
// consistent value of each. Settings a job does not offer keep their rows' defaults, the values
// the component starts with. A port value is rounded to the setting's whole number and held to the
// row's range (for the mode, to the job's modes); a missing or non-finite value gives the default.
//
// Threading: called from run(); reads each port once.
#pragma once

#include "engine/block_context.h"
#include "plugin_jobs.h"

namespace ambiora_lv2 {

struct control_ports {
    const float* mode = nullptr;
    const float* settings[std::size(decoder_controls)] = {};  // in the job's control order
};

ambiora::block_context snapshot_controls(const plugin_job& job, const control_ports& ports);

}  // namespace ambiora_lv2
