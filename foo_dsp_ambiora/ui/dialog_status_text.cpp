// The conditions follow those under which the block pipeline runs each stage, so the status says
// what happens to the audio now playing.
#include "ui/dialog_status_text.h"

namespace ambiora {
namespace {

struct mode_texts {
    const wchar_t* inactive;      // no audio since the last stop, seek or flush
    const wchar_t* acting;        // the mode processes this source
    const wchar_t* wrong_source;  // channel count the mode cannot take
    const wchar_t* wrong_rate;    // headphone modes only: rate outside 44.1 to 48 kHz
};

constexpr mode_texts decoder_texts[] = {
    {L"Ambiora+C\nProcessor inactive.", L"Ambiora+C\nProcessor in decoding mode.",
     L"Ambiora+C\nProcessor inactive. Requires an audio source with 2 channels.", nullptr},
    {L"Ambiora-AS\nProcessor inactive.", L"Ambiora-AS\nProcessor in decoding mode.",
     L"Ambiora-AS\nProcessor inactive. Requires an audio source with 2 channels.", nullptr},
    {L"Ambiora-ASr\nProcessor inactive.", L"Ambiora-ASr\nProcessor in decoding mode.",
     L"Ambiora-ASr\nProcessor inactive. Requires an audio source with 2 channels.", nullptr},
    {L"Ambiora-AS2\nProcessor inactive.", L"Ambiora-AS2\nProcessor in decoding mode.",
     L"Ambiora-AS2\nProcessor inactive. Requires an audio source with 2 channels.", nullptr},
};

constexpr mode_texts headphone_texts[] = {
    {L"Ambiora Headphone\nProcessor inactive.", L"Ambiora Headphone\nProcessor in encoding mode.",
     L"Ambiora Headphone\nProcessor inactive. Requires an audio source with 2, 4, 5 or 6 "
     L"channels.",
     L"Ambiora Headphone\nProcessor inactive. Requires an audio source with a sampling rate of "
     L"44.1 or 48KHz."},
    {L"Ambiora Headphone Movie\nProcessor inactive.",
     L"Ambiora Headphone Movie\nProcessor in encoding mode.",
     L"Ambiora Headphone Movie\nProcessor inactive. Requires an audio source with 2, 4, 5 or 6 "
     L"channels.",
     L"Ambiora Headphone Movie\nProcessor inactive. Requires an audio source with a sampling "
     L"rate of 44.1 or 48KHz."},
};

constexpr mode_texts encoder_texts[] = {
    {L"Ambiora Encode\nProcessor inactive.", L"Ambiora Encode\nProcessor in encoding mode.",
     L"Ambiora Encode\nProcessor inactive. An audio source with 4, 5 or 6 channels is required.",
     nullptr},
    {L"Ambiora Encode2\nProcessor inactive.", L"Ambiora Encode2\nProcessor in encoding mode.",
     L"Ambiora Encode2\nProcessor inactive. An audio source with 4, 5 or 6 channels is "
     L"required.",
     nullptr},
};

bool is_surround_source(std::uint32_t channels) {
    return channels >= 4 && channels <= 6;
}
bool is_headphone_rate(std::uint32_t rate) {
    return rate >= 44100 && rate <= 48000;
}

}  // namespace

const wchar_t* dialog_status_text(std::int32_t mode, std::uint32_t channels, std::uint32_t rate) {
    if (mode == 0) return L"Bypass\nNo audio processing is performed.";
    if (mode >= 1 && mode <= 4) {
        const mode_texts& t = decoder_texts[mode - 1];
        if (channels == 0) return t.inactive;
        return channels == 2 ? t.acting : t.wrong_source;
    }
    if (mode == 5 || mode == 6) {
        const mode_texts& t = headphone_texts[mode - 5];
        if (channels == 0) return t.inactive;
        if (channels != 2 && !is_surround_source(channels)) return t.wrong_source;
        return is_headphone_rate(rate) ? t.acting : t.wrong_rate;
    }
    if (mode == 7 || mode == 8) {
        const mode_texts& t = encoder_texts[mode - 7];
        if (channels == 0) return t.inactive;
        return is_surround_source(channels) ? t.acting : t.wrong_source;
    }
    return L"";
}

}  // namespace ambiora
