// Output through libsndfile. WAV is written as WAVE_FORMAT_EXTENSIBLE carrying the channel mask of
// the component's output (32-bit float by default, or 24/16-bit integers); a WAV that would pass
// the format's 4 GB limit (about an hour of 5.1 float at 48 kHz) is written as RF64, its 64-bit
// sibling, with the same format chunk; when the length is not known beforehand the file starts as
// RF64 and becomes plain WAV at the end if it stayed small. RF64 and W64 carry the mask too; AIFF
// takes the same encodings without one, FLAC 24 or 16 bits, Ogg Vorbis and Opus their own. The
// file is a pending_output's temporary file until the caller commits it.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <optional>
#include <string>

namespace ambiora_cli {

class pending_output;

enum class sample_encoding { float32, pcm24, pcm16 };
enum class container_format { wav, rf64, w64, aiff, flac, ogg, opus };

struct output_format {
    container_format container;
    sample_encoding encoding;
};

// "float", "24" or "16" (--sample-format); throws usage_error otherwise.
sample_encoding parse_sample_encoding(const std::string& text);

// The container named by --type (`type`, may be empty) or else by the target's extension, the
// encoding as asked or the container's natural one (float, 24-bit for FLAC). Throws usage_error
// for an unknown type or extension and for an encoding the container does not hold.
output_format choose_output_format(const std::string& path, const std::string& type,
                                   std::optional<sample_encoding> asked);

// "wav, rf64, w64, aiff, flac, ogg, opus": what --type takes.
std::string container_names(const std::string& separator = ", ");

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
    // The format as written: a WAV of unknown length may have become RF64.
    std::string written_format() const;

  private:
    std::string failure_reason() const;

    std::string target_;
    SNDFILE* file_ = nullptr;
    unsigned channels_;
    output_format format_;
    bool integer_ = false;
    bool may_stay_rf64_ = false;
    std::uint64_t bytes_written_ = 0;
    std::uint64_t clipped_ = 0;
};

}  // namespace ambiora_cli
