// Output through libsndfile. WAV is written as WAVE_FORMAT_EXTENSIBLE carrying the channel mask of
// the component's output (32-bit float by default, or 24/16-bit integers); a WAV that would pass
// the format's 4 GB limit (about an hour of 5.1 float at 48 kHz) is written as RF64, its 64-bit
// sibling, with the same format chunk. FLAC holds 24 or 16 bits. The file is a pending_output's
// temporary file until the caller commits it.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <optional>
#include <string>

namespace ambiora_cli {

class pending_output;

enum class sample_encoding { float32, pcm24, pcm16 };
enum class container_format { wav, flac };

struct output_format {
    container_format container;
    sample_encoding encoding;
};

// "float", "24" or "16" (--sample-format); throws usage_error otherwise.
sample_encoding parse_sample_encoding(const std::string& text);

// The container from the target's extension (.wav, .flac), the encoding as asked or the
// container's natural one (float for WAV, 24-bit for FLAC). Throws usage_error for another
// extension or for float in FLAC.
output_format choose_output_format(const std::string& path, std::optional<sample_encoding> asked);

// "32-bit float WAV".
std::string describe_output_format(output_format format);

class sound_file_output {
  public:
    // Opens the pending output's temporary file; `mask` is the output's channel mask and
    // `expected_frames` how long it will be, at most.
    sound_file_output(pending_output& target, output_format format, unsigned channels,
                      unsigned rate, unsigned mask, std::uint64_t expected_frames);
    ~sound_file_output();
    sound_file_output(const sound_file_output&) = delete;
    sound_file_output& operator=(const sound_file_output&) = delete;

    void write(const float* interleaved, std::size_t frames);
    // Finishes the header and closes; throws run_error when the data did not reach the disk.
    void close();

    // Samples beyond full scale that an integer encoding had to clip.
    std::uint64_t clipped_samples() const { return clipped_; }

  private:
    std::string failure_reason() const;

    std::string target_;
    SNDFILE* file_ = nullptr;
    unsigned channels_;
    bool integer_ = false;
    std::uint64_t clipped_ = 0;
};

}  // namespace ambiora_cli
