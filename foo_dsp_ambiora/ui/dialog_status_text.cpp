// The conditions follow those under which the block pipeline runs each mode's stages, so the
// status says what happens to the audio now playing.
#include "ui/dialog_status_text.h"

#include "modes.h"

namespace ambiora {
namespace {

constexpr const wchar_t* inactive = L"Processor inactive.";

bool is_surround_source(std::uint32_t channels) {
    return channels >= 4 && channels <= 6;
}
bool is_headphone_rate(std::uint32_t rate) {
    return rate >= 44100 && rate <= 48000;
}

// What `path` does with a source of `channels` (not 0) at `rate`.
const wchar_t* activity(mode_path path, std::uint32_t channels, std::uint32_t rate) {
    switch (path) {
        case mode_path::passive_decoder:
        case mode_path::steered_decoder:
            return channels == 2 ? L"Processor in decoding mode."
                                 : L"Processor inactive. Requires an audio source with 2 channels.";
        case mode_path::headphones:
            if (channels != 2 && !is_surround_source(channels))
                return L"Processor inactive. Requires an audio source with 2, 4, 5 or 6 channels.";
            return is_headphone_rate(rate) ? L"Processor in encoding mode."
                                           : L"Processor inactive. Requires an audio source with "
                                             L"a sampling rate of 44.1 or 48KHz.";
        case mode_path::mono_encoder:
        case mode_path::stereo_encoder:
            return is_surround_source(channels) ? L"Processor in encoding mode."
                                                : L"Processor inactive. An audio source with 4, 5 "
                                                  L"or 6 channels is required.";
        case mode_path::pass_through:
            break;
    }
    return L"No audio processing is performed.";
}

}  // namespace

std::wstring dialog_status_text(std::int32_t mode, std::uint32_t channels, std::uint32_t rate) {
    const mode_row* row = find_mode(mode);
    if (row == nullptr) return L"";
    std::wstring text(row->name, row->name + std::char_traits<char>::length(row->name));
    text += L'\n';
    // Bypass says the same whether or not audio has come.
    if (channels == 0 && row->path != mode_path::pass_through) return text + inactive;
    return text + activity(row->path, channels, rate);
}

}  // namespace ambiora
