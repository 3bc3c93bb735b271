// What the selected mode does with a source, in the words of the dialog's status line. The dialog
// shows it under the mode's name; the command-line renderer warns with it when a mode cannot act.
#pragma once

#include <cstdint>

namespace ambiora {

enum class mode_activity {
    decoding,                  // "Processor in decoding mode."
    encoding,                  // "Processor in encoding mode."
    no_source,                 // no audio since the last stop, seek or flush
    needs_stereo,              // a decoder given anything but two channels
    needs_stereo_or_surround,  // a headphone mode given 1, 3, 7 or 8 channels
    needs_headphone_rate,      // a headphone mode at a rate outside 44.1 to 48 kHz
    needs_surround,            // an encoder given anything but 4, 5 or 6 channels
    no_processing,             // Bypass, and a value outside the mode table
};

// `channels` and `rate` of the last chunk; 0, 0 when no audio has come.
mode_activity activity_of_mode(std::int32_t mode, std::uint32_t channels, std::uint32_t rate);

// Whether the mode leaves the source's layout as it is (passing it through at -3 dB).
bool mode_cannot_act(mode_activity activity);

// The status line's second line for `activity`: "Processor inactive. Requires an audio source
// with 2 channels."
const char* mode_activity_text(mode_activity activity);

}  // namespace ambiora
