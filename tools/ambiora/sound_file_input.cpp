#include "sound_file_input.h"

#include "file_access.h"
#include "messages.h"

namespace ambiora_cli {

sound_file_input::sound_file_input(const std::string& path) : path_(path) {
    check_readable_file(path);
    file_ = sf_open(path.c_str(), SFM_READ, &info_);
    if (file_ == nullptr) {
        // libsndfile says "Format not recognised." for text and "Error in WAV file..." for a
        // damaged header; both mean we cannot use the file.
        std::string reason = sf_strerror(nullptr);
        while (!reason.empty() && (reason.back() == '.' || reason.back() == '\n'))
            reason.pop_back();
        throw run_error("cannot read " + path + ": not a sound file libsndfile can decode (" +
                        reason + ")");
    }
    // The destructor does not run for a constructor that throws, so close the file here.
    auto refuse = [this](const std::string& message) {
        sf_close(file_);
        file_ = nullptr;
        throw run_error(message);
    };
    if (info_.channels < 1 || unsigned(info_.channels) > max_input_channels) {
        refuse(path + " has " + std::to_string(info_.channels) +
               " channels; the renderer takes 1 to " + std::to_string(max_input_channels));
    }
    if (info_.samplerate <= 0) refuse(path + " has no valid sample rate");
    if (info_.frames < 0) info_.frames = 0;
}

sound_file_input::~sound_file_input() {
    if (file_ != nullptr) sf_close(file_);
}

std::size_t sound_file_input::read(float* interleaved, std::size_t frames) {
    const sf_count_t got = sf_readf_float(file_, interleaved, sf_count_t(frames));
    if (got < 0 || sf_error(file_) != SF_ERR_NO_ERROR) {
        throw run_error("cannot read " + path_ + ": " + sf_strerror(file_));
    }
    return std::size_t(got);
}

}  // namespace ambiora_cli
