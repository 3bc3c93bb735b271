// A file handed to a reader as a stream: a thread copies it into one end of a socket pair and the
// reader gets the other end, which cannot seek and has no length.
//
// libsndfile trusts the length an MP3 decoder estimates from a seekable file, and a VBR MP3
// without a Xing header estimates short: reads stop at the estimate, well before the audio ends.
// On a stream it has no estimate to trust and reads until the decoder runs dry.
#pragma once

#include <string>
#include <thread>

namespace ambiora_cli {

class streamed_file {
  public:
    // Streams `file` (a descriptor it takes over) from where it stands; `path` names it in
    // messages. Throws run_error when no socket pair can be made.
    streamed_file(int file, const std::string& path);
    // Waits for the copying thread, which stops at the end of the file or as soon as the reader
    // closed its end.
    ~streamed_file();
    streamed_file(const streamed_file&) = delete;
    streamed_file& operator=(const streamed_file&) = delete;

    // A descriptor of the reading end for the caller to close; -1 when out of descriptors.
    int reader_descriptor() const;

  private:
    int reader_ = -1;
    std::thread copier_;
};

}  // namespace ambiora_cli
