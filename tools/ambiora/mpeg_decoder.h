// MP3 straight through libmpg123, read to the decoder's very end.
//
// libsndfile reads MP3 through libmpg123 too, but stops at the length the decoder estimates when
// the file opens, and a VBR file without a Xing header estimates short (a minute of audio may
// render as 25 s). Read here, the audio ends where the decoder runs dry.
#pragma once

#include <cstddef>
#include <string>

struct mpg123_handle_struct;

namespace ambiora_cli {

class mpeg_decoder {
  public:
    // Decodes the seekable `file` (a descriptor it takes over) from its start to interleaved
    // floats of `channels` at `rate`, as libsndfile found them; `name` is for messages. Throws
    // run_error when the decoder does not start.
    mpeg_decoder(int file, unsigned channels, unsigned rate, const std::string& name);
    ~mpeg_decoder();
    mpeg_decoder(const mpeg_decoder&) = delete;
    mpeg_decoder& operator=(const mpeg_decoder&) = delete;

    // Up to `frames` frames; 0 at the end. Throws run_error for a decoding error.
    std::size_t read(float* interleaved, std::size_t frames);

  private:
    std::string name_;
    int file_;
    unsigned channels_;
    mpg123_handle_struct* handle_ = nullptr;
};

}  // namespace ambiora_cli
