#include "sound_file_output.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>

#include "channel_layout.h"
#include "messages.h"
#include "pending_output.h"

namespace ambiora_cli {
namespace {

std::string lower_extension(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// The data a WAV header can describe, less room for the header itself.
constexpr std::uint64_t wav_data_limit = 0xffffffffull - 0x10000ull;

int bytes_per_sample(sample_encoding encoding) {
    switch (encoding) {
        case sample_encoding::float32:
            return 4;
        case sample_encoding::pcm24:
            return 3;
        case sample_encoding::pcm16:
            return 2;
    }
    return 4;
}

int sound_file_format(output_format format, std::uint64_t data_bytes) {
    int major = SF_FORMAT_FLAC;
    if (format.container == container_format::wav) {
        major = data_bytes > wav_data_limit ? SF_FORMAT_RF64 : SF_FORMAT_WAVEX;
    }
    switch (format.encoding) {
        case sample_encoding::float32:
            return major | SF_FORMAT_FLOAT;
        case sample_encoding::pcm24:
            return major | SF_FORMAT_PCM_24;
        case sample_encoding::pcm16:
            return major | SF_FORMAT_PCM_16;
    }
    return major;
}

}  // namespace

sample_encoding parse_sample_encoding(const std::string& text) {
    if (text == "float" || text == "32f" || text == "f32") return sample_encoding::float32;
    if (text == "24") return sample_encoding::pcm24;
    if (text == "16") return sample_encoding::pcm16;
    throw usage_error("--sample-format needs float, 24 or 16, not '" + text + "'");
}

output_format choose_output_format(const std::string& path, std::optional<sample_encoding> asked) {
    const std::string extension = lower_extension(path);
    if (extension == "wav" || extension == "wave") {
        return {container_format::wav, asked.value_or(sample_encoding::float32)};
    }
    if (extension == "flac") {
        if (asked == sample_encoding::float32) {
            throw usage_error("FLAC holds whole-number samples: use --sample-format 24 or 16");
        }
        return {container_format::flac, asked.value_or(sample_encoding::pcm24)};
    }
    throw usage_error("cannot tell the output format of " + path +
                      " from its name: end it in .wav or .flac");
}

std::string describe_output_format(output_format format) {
    std::string text = format.encoding == sample_encoding::float32 ? "32-bit float"
                       : format.encoding == sample_encoding::pcm24 ? "24-bit"
                                                                   : "16-bit";
    return text + (format.container == container_format::flac ? " FLAC" : " WAV");
}

sound_file_output::sound_file_output(pending_output& target, output_format format,
                                     unsigned channels, unsigned rate, unsigned mask,
                                     std::uint64_t expected_frames)
    : target_(target.target()), channels_(channels) {
    SF_INFO info{};
    info.channels = int(channels);
    info.samplerate = int(rate);
    info.format = sound_file_format(
        format, expected_frames * channels * std::uint64_t(bytes_per_sample(format.encoding)));
    if (!sf_format_check(&info)) {
        throw run_error("cannot write " + target_ + ": " + describe_output_format(format) +
                        " does not take " + std::to_string(channels) + " channels at " +
                        std::to_string(rate) + " Hz");
    }
    file_ = sf_open_fd(target.release_descriptor(), SFM_WRITE, &info, SF_TRUE);
    if (file_ == nullptr) throw run_error("cannot write " + target_ + ": " + sf_strerror(nullptr));

    std::vector<int> map = sound_file_channel_map(mask);
    if (format.container == container_format::wav && map.size() == channels) {
        if (!sf_command(file_, SFC_SET_CHANNEL_MAP_INFO, map.data(),
                        int(map.size() * sizeof(int)))) {
            sf_close(file_);  // the destructor does not run for a constructor that throws
            file_ = nullptr;
            throw run_error("cannot write " + target_ + ": the channel mask was refused");
        }
    }
    integer_ = format.encoding != sample_encoding::float32;
    // Integer samples beyond full scale are clipped, never wrapped round.
    if (integer_) sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

sound_file_output::~sound_file_output() {
    if (file_ != nullptr) sf_close(file_);
}

void sound_file_output::write(const float* interleaved, std::size_t frames) {
    if (integer_) {
        clipped_ += std::uint64_t(std::count_if(interleaved, interleaved + frames * channels_,
                                                [](float x) { return std::fabs(x) > 1.0f; }));
    }
    errno = 0;
    if (sf_writef_float(file_, interleaved, sf_count_t(frames)) != sf_count_t(frames)) {
        throw run_error("cannot write " + target_ + ": " + failure_reason());
    }
}

// libsndfile sets no error of its own when the system refused the write (a full disk) or an
// encoder refused the samples, and says "No Error." then; the system's reason is in errno.
std::string sound_file_output::failure_reason() const {
    if (sf_error(file_) != SF_ERR_NO_ERROR) return sf_strerror(file_);
    if (errno != 0) return system_error_text(errno);
    return "the encoder refused the samples";
}

void sound_file_output::close() {
    errno = 0;
    sf_write_sync(file_);
    const int error = sf_error(file_);
    const std::string reason = failure_reason();
    const int closed = sf_close(file_);
    file_ = nullptr;
    if (error != SF_ERR_NO_ERROR || closed != 0) {
        throw run_error("cannot write " + target_ + ": " + reason);
    }
}

}  // namespace ambiora_cli
