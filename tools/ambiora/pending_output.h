// An output file that appears whole or not at all.
//
// Everything is written to a hidden temporary file beside the target (same directory, so the
// final rename is atomic) and renamed over the target only on success. An existing target is
// never half-overwritten, and a failed or interrupted run leaves nothing behind: the destructor
// removes the temporary file, and so does Ctrl-C or a termination signal.
#pragma once

#include <cstdio>
#include <string>

namespace ambiora_cli {

class pending_output {
  public:
    // Creates the temporary file; throws run_error "cannot write TARGET: reason" when the
    // directory does not exist or is not writable, or the target is a directory.
    explicit pending_output(std::string target);
    ~pending_output();
    pending_output(const pending_output&) = delete;
    pending_output& operator=(const pending_output&) = delete;

    const std::string& target() const { return target_; }

    // The temporary file's descriptor, handed over: the caller closes it (libsndfile does).
    int release_descriptor();
    // The temporary file as a stdio stream; the caller closes it before commit().
    std::FILE* open_stream();

    // Renames the finished temporary file to the target.
    void commit();

  private:
    std::string target_;
    std::string temporary_;
    int descriptor_ = -1;
    bool committed_ = false;
};

}  // namespace ambiora_cli
