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

struct container_row {
    container_format container;
    const char* name;  // for --type and messages
    const char* extensions[2];
    int major;
    bool takes_float, takes_integers;  // neither: a lossy codec of its own, fed floats
    bool carries_mask;
};

constexpr container_row containers[] = {
    {container_format::wav, "WAV", {"wav", "wave"}, SF_FORMAT_WAVEX, true, true, true},
    {container_format::rf64, "RF64", {"rf64", ""}, SF_FORMAT_RF64, true, true, true},
    {container_format::w64, "W64", {"w64", ""}, SF_FORMAT_W64, true, true, false},
    {container_format::aiff, "AIFF", {"aiff", "aif"}, SF_FORMAT_AIFF, true, true, false},
    {container_format::flac, "FLAC", {"flac", ""}, SF_FORMAT_FLAC, false, true, false},
    {container_format::ogg,
     "Ogg Vorbis",
     {"ogg", "oga"},
     SF_FORMAT_OGG | SF_FORMAT_VORBIS,
     false,
     false,
     false},
    {container_format::opus,
     "Opus",
     {"opus", ""},
     SF_FORMAT_OGG | SF_FORMAT_OPUS,
     false,
     false,
     false},
};

const container_row& row_of(container_format container) {
    for (const container_row& row : containers)
        if (row.container == container) return row;
    return containers[0];
}

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

int encoding_format(sample_encoding encoding) {
    switch (encoding) {
        case sample_encoding::float32:
            return SF_FORMAT_FLOAT;
        case sample_encoding::pcm24:
            return SF_FORMAT_PCM_24;
        case sample_encoding::pcm16:
            return SF_FORMAT_PCM_16;
    }
    return SF_FORMAT_FLOAT;
}

// `data_bytes` 0: unknown.
int sound_file_format(output_format format, std::uint64_t data_bytes) {
    const container_row& row = row_of(format.container);
    int major = row.major;
    if (format.container == container_format::wav &&
        (data_bytes == 0 || data_bytes > wav_data_limit))
        major = SF_FORMAT_RF64;
    if (!row.takes_float && !row.takes_integers) return major;
    return major | encoding_format(format.encoding);
}

}  // namespace

sample_encoding parse_sample_encoding(const std::string& text) {
    if (text == "float" || text == "32f" || text == "f32") return sample_encoding::float32;
    if (text == "24") return sample_encoding::pcm24;
    if (text == "16") return sample_encoding::pcm16;
    throw usage_error("--sample-format needs float, 24 or 16, not '" + text + "'");
}

std::string container_names(const std::string& separator) {
    std::string names;
    for (const container_row& row : containers)
        names += std::string(names.empty() ? "" : separator) + row.extensions[0];
    return names;
}

output_format choose_output_format(const std::string& path, const std::string& type,
                                   std::optional<sample_encoding> asked) {
    const std::string wanted = type.empty() ? lower_extension(path) : type;
    const container_row* found = nullptr;
    for (const container_row& row : containers) {
        for (const char* extension : row.extensions)
            if (*extension != 0 && wanted == extension) found = &row;
    }
    if (found == nullptr && !type.empty())
        throw usage_error("--type needs one of " + container_names() + ", not '" + type + "'");
    if (found == nullptr) {
        throw usage_error("cannot tell the output format of " + path +
                          " from its name: end it in ." + container_names(", .") +
                          " or give --type");
    }
    const std::string name = found->name;
    if (!found->takes_float && !found->takes_integers) {
        if (asked) throw usage_error(name + " has no --sample-format: its codec chooses");
        return {found->container, sample_encoding::float32};
    }
    if (asked == sample_encoding::float32 && !found->takes_float)
        throw usage_error(name + " holds whole-number samples: use --sample-format 24 or 16");
    return {found->container,
            asked.value_or(found->takes_float ? sample_encoding::float32 : sample_encoding::pcm24)};
}

std::string describe_output_format(output_format format) {
    const container_row& row = row_of(format.container);
    if (!row.takes_float && !row.takes_integers) return row.name;
    std::string text = format.encoding == sample_encoding::float32 ? "32-bit float"
                       : format.encoding == sample_encoding::pcm24 ? "24-bit"
                                                                   : "16-bit";
    return text + " " + row.name;
}

sound_file_output::sound_file_output(pending_output& target, output_format format,
                                     unsigned channels, unsigned rate, unsigned mask,
                                     std::uint64_t expected_frames)
    : target_(target.target()), channels_(channels), format_(format) {
    SF_INFO info{};
    info.channels = int(channels);
    info.samplerate = int(rate);
    info.format = sound_file_format(
        format, expected_frames * channels * std::uint64_t(bytes_per_sample(format.encoding)));
    may_stay_rf64_ = format.container == container_format::wav && expected_frames == 0;
    if (!sf_format_check(&info)) {
        throw run_error("cannot write " + target_ + ": " + describe_output_format(format) +
                        " does not take " + count_of(channels, "channel") + " at " +
                        std::to_string(rate) + " Hz");
    }
    file_ = sf_open_fd(target.release_descriptor(), SFM_WRITE, &info, SF_TRUE);
    if (file_ == nullptr) throw run_error("cannot write " + target_ + ": " + sf_strerror(nullptr));
    // Unknown length: RF64 now, plain WAV at the end if the data stayed within WAV's limit.
    if (may_stay_rf64_) sf_command(file_, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);

    std::vector<int> map = sound_file_channel_map(mask);
    if (row_of(format.container).carries_mask && map.size() == channels) {
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
    bytes_written_ += frames * channels_ * std::uint64_t(bytes_per_sample(format_.encoding));
}

// libsndfile sets no error of its own when the system refused the write (a full disk) or an
// encoder refused the samples, and says "No Error." then; the system's reason is in errno.
std::string sound_file_output::failure_reason() const {
    if (sf_error(file_) != SF_ERR_NO_ERROR) return sf_strerror(file_);
    if (errno != 0) return system_error_text(errno);
    return "the encoder refused the samples";
}

std::string sound_file_output::written_format() const {
    std::string text = describe_output_format(format_);
    const bool big = bytes_written_ > wav_data_limit;
    if (format_.container == container_format::wav && big) text.replace(text.size() - 3, 3, "RF64");
    return text;
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
