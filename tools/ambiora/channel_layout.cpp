#include "channel_layout.h"

#include <sndfile.h>

#include "audio_chunk.h"

namespace ambiora_cli {
namespace {

struct speaker {
    unsigned bit;
    const char* name;
    int file_map;
};

// In bit order, which is also the order of the channels within a chunk.
constexpr speaker speakers[] = {
    {channel_front_left, "L", SF_CHANNEL_MAP_LEFT},
    {channel_front_right, "R", SF_CHANNEL_MAP_RIGHT},
    {channel_front_center, "C", SF_CHANNEL_MAP_CENTER},
    {channel_lfe, "LFE", SF_CHANNEL_MAP_LFE},
    {channel_back_left, "SL", SF_CHANNEL_MAP_REAR_LEFT},
    {channel_back_right, "SR", SF_CHANNEL_MAP_REAR_RIGHT},
};

}  // namespace

std::vector<std::string> channel_names(unsigned mask) {
    std::vector<std::string> names;
    for (const speaker& s : speakers) {
        if (mask & s.bit) names.emplace_back(s.name);
    }
    return names;
}

std::string describe_channels(unsigned mask) {
    std::string text;
    for (const std::string& name : channel_names(mask)) text += (text.empty() ? "" : " ") + name;
    return text;
}

std::vector<int> sound_file_channel_map(unsigned mask) {
    std::vector<int> map;
    for (const speaker& s : speakers) {
        if (mask & s.bit) map.push_back(s.file_map);
    }
    return map;
}

}  // namespace ambiora_cli
