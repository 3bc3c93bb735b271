#include "mode_warning.h"

#include "mode_status.h"
#include "modes.h"

namespace ambiora_cli {
namespace {

const char* const mono_advice = "; no mode processes mono: make it stereo first";

std::string advice(ambiora::mode_activity activity, unsigned channels) {
    using ambiora::mode_activity;
    switch (activity) {
        case mode_activity::needs_stereo:
            if (channels == 1) return mono_advice;
            return "; for " + std::to_string(channels) +
                   " channels choose a headphone mode (--mode 5 or 6) or an encoder (--mode 7 or "
                   "8)";
        case mode_activity::needs_stereo_or_surround:
            return mono_advice;
        case mode_activity::needs_headphone_rate:
            return "; resample it to 44.1 or 48 kHz first";
        case mode_activity::needs_surround:
            if (channels == 1) return mono_advice;
            return "; for stereo choose a decoder (--mode 1 to 4) or a headphone mode (--mode 5 "
                   "or 6)";
        default:
            return "; choose a mode with --mode (ambiora render --help lists them)";
    }
}

}  // namespace

std::optional<std::string> mode_warning(std::int32_t mode, unsigned channels, unsigned rate) {
    const ambiora::mode_activity activity = ambiora::activity_of_mode(mode, channels, rate);
    if (!ambiora::mode_cannot_act(activity)) return std::nullopt;
    // A headphone mode at a rate it does not serve leaves the block exactly as it came; every
    // other mode that cannot act passes the source through 3 dB down.
    const std::string fate = activity == ambiora::mode_activity::needs_headphone_rate
                                 ? "the input passes through unprocessed"
                                 : "the input passes through 3 dB down";
    return std::string(ambiora::mode_behaviour(mode).name) + ": " +
           ambiora::mode_activity_text(activity) + " So " + fate + advice(activity, channels) + ".";
}

}  // namespace ambiora_cli
