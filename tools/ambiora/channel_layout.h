// Names and file channel maps for the host's channel masks (front left 0x1 ... back right 0x20).
#pragma once

#include <string>
#include <vector>

namespace ambiora_cli {

// The speakers a mask names, in channel order: 0x3f gives L, R, C, LFE, SL, SR.
std::vector<std::string> channel_names(unsigned mask);

// "L R C LFE SL SR".
std::string describe_channels(unsigned mask);

// libsndfile's channel map for the mask, in channel order (SF_CHANNEL_MAP_LEFT ...), from which it
// writes the WAVE_FORMAT_EXTENSIBLE channel mask.
std::vector<int> sound_file_channel_map(unsigned mask);

}  // namespace ambiora_cli
