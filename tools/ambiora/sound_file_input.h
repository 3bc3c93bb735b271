// Input through libsndfile: any file it reads (WAV, FLAC, AIFF, OGG, MP3...) with a channel count
// the component takes (1, 2, 4, 5 or 6), any rate, delivered as interleaved floats (integer
// formats scaled to -1..1). MP3 is read to its very end (see mpeg_decoder.h).
#pragma once

#include <sndfile.h>

#include <memory>
#include <string>
#include <vector>

#include "audio_source.h"
#include "file_access.h"

namespace ambiora_cli {

class buffered_file_reader;
class mpeg_decoder;

class sound_file_input final : public audio_source {
  public:
    // Throws run_error for a missing, unreadable, unsupported or corrupt file, and for a channel
    // count the component does not take.
    // "-" reads standard input.
    explicit sound_file_input(const std::string& path);
    ~sound_file_input() override;
    sound_file_input(const sound_file_input&) = delete;
    sound_file_input& operator=(const sound_file_input&) = delete;

    unsigned channels() const override { return unsigned(info_.channels); }
    unsigned rate() const override { return unsigned(info_.samplerate); }
    // 0 when the length is not known before the end (a stream).
    std::uint64_t frames() const override { return frames_; }
    std::size_t read(float* interleaved, std::size_t frames) override;

    // The frames the file's header promises; more than frames() when libsndfile found the file
    // shorter than its header says (a cut-off download or copy).
    std::uint64_t promised_frames() const { return promised_frames_; }

  private:
    void open();
    void close();
    sf_count_t read_pcm16(float* interleaved, std::size_t frames);

    std::string path_;  // for messages: "standard input" for -
    bool from_stdin_;
    standard_input_copy input_;  // for "-": standard input, or its copy when it is a pipe
    std::unique_ptr<buffered_file_reader> reader_;  // a regular file's bytes, for libsndfile
    std::unique_ptr<mpeg_decoder> mpeg_;            // MP3, which libsndfile would cut short
    SNDFILE* file_ = nullptr;
    SF_INFO info_{};
    std::uint64_t frames_ = 0;
    std::uint64_t promised_frames_ = 0;
    bool pcm16_ = false;                       // 16-bit samples, converted here
    std::vector<std::int16_t> pcm16_samples_;  // as read, before conversion
};

}  // namespace ambiora_cli
