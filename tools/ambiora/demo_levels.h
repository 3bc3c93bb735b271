// The numbers behind the demo's pictures: each output channel's level over time, per programme and
// mode, written as levels.json for plot_demo.py.
#pragma once

#include <string>
#include <vector>

#include "demo_programme.h"

namespace ambiora_cli {

inline constexpr double level_window_seconds = 0.05;

struct channel_levels {
    std::string channel;           // "SL"
    std::vector<double> decibels;  // RMS per window, floored at -100 dB
};

struct mode_levels {
    int mode;
    std::string mode_name;
    std::string file;  // the rendered file, relative to the demo folder
    std::vector<channel_levels> channels;
};

struct programme_levels {
    const demo_programme* programme;
    std::string input_file;
    std::vector<mode_levels> modes;
};

// RMS levels in windows of level_window_seconds of interleaved `samples`.
std::vector<channel_levels> measure_levels(const std::vector<float>& samples, unsigned channels,
                                           unsigned mask, unsigned rate);

// The JSON text plot_demo.py reads.
std::string levels_json(const std::vector<programme_levels>& programmes);

}  // namespace ambiora_cli
