// The conditions follow those under which the block pipeline runs each mode's stages, so the
// status says what happens to the audio now playing.
#include "mode_status.h"

#include "modes.h"

namespace ambiora {
namespace {

bool is_surround_source(std::uint32_t channels) {
    return channels >= 4 && channels <= 6;
}
bool is_headphone_rate(std::uint32_t rate) {
    return rate >= 44100 && rate <= 48000;
}

}  // namespace

mode_activity activity_of_mode(std::int32_t mode, std::uint32_t channels, std::uint32_t rate) {
    const mode_path path = mode_behaviour(mode).path;
    // Bypass says the same whether or not audio has come.
    if (path == mode_path::pass_through) return mode_activity::no_processing;
    if (channels == 0) return mode_activity::no_source;
    switch (path) {
        case mode_path::passive_decoder:
        case mode_path::steered_decoder:
            return channels == 2 ? mode_activity::decoding : mode_activity::needs_stereo;
        case mode_path::headphones:
            if (channels != 2 && !is_surround_source(channels))
                return mode_activity::needs_stereo_or_surround;
            return is_headphone_rate(rate) ? mode_activity::encoding
                                           : mode_activity::needs_headphone_rate;
        case mode_path::mono_encoder:
        case mode_path::stereo_encoder:
            return is_surround_source(channels) ? mode_activity::encoding
                                                : mode_activity::needs_surround;
        case mode_path::pass_through:
            break;
    }
    return mode_activity::no_processing;
}

bool mode_cannot_act(mode_activity activity) {
    return activity != mode_activity::decoding && activity != mode_activity::encoding &&
           activity != mode_activity::no_source;
}

const char* mode_activity_text(mode_activity activity) {
    switch (activity) {
        case mode_activity::decoding:
            return "Processor in decoding mode.";
        case mode_activity::encoding:
            return "Processor in encoding mode.";
        case mode_activity::no_source:
            return "Processor inactive.";
        case mode_activity::needs_stereo:
            return "Processor inactive. Requires an audio source with 2 channels.";
        case mode_activity::needs_stereo_or_surround:
            return "Processor inactive. Requires an audio source with 2, 4, 5 or 6 channels.";
        case mode_activity::needs_headphone_rate:
            return "Processor inactive. Requires an audio source with a sampling rate of 44.1 or "
                   "48KHz.";
        case mode_activity::needs_surround:
            return "Processor inactive. An audio source with 4, 5 or 6 channels is required.";
        case mode_activity::no_processing:
            break;
    }
    return "No audio processing is performed.";
}

}  // namespace ambiora
