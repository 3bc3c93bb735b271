// Input through libsndfile: any file it reads (WAV, FLAC, AIFF, OGG...), 1 to 8 channels, any
// rate, delivered as interleaved floats (integer formats scaled to -1..1).
#pragma once

#include <sndfile.h>

#include <string>

#include "audio_source.h"

namespace ambiora_cli {

inline constexpr unsigned max_input_channels = 8;

class sound_file_input final : public audio_source {
  public:
    // Throws run_error for a missing, unreadable, unsupported or corrupt file, and for a channel
    // count outside 1 to 8.
    explicit sound_file_input(const std::string& path);
    ~sound_file_input() override;
    sound_file_input(const sound_file_input&) = delete;
    sound_file_input& operator=(const sound_file_input&) = delete;

    unsigned channels() const override { return unsigned(info_.channels); }
    unsigned rate() const override { return unsigned(info_.samplerate); }
    std::uint64_t frames() const override { return std::uint64_t(info_.frames); }
    std::size_t read(float* interleaved, std::size_t frames) override;

  private:
    std::string path_;
    SNDFILE* file_ = nullptr;
    SF_INFO info_{};
};

}  // namespace ambiora_cli
