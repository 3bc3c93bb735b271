// An output file that appears whole or not at all.
//
// Everything is written to a hidden temporary file beside the target (same directory, so the
// final rename is atomic) and renamed over the target only on success. An existing target is
// never half-overwritten, and a failed or interrupted run leaves nothing behind: the destructor
// removes the temporary file, and so does Ctrl-C or a termination signal.
//
// For "-" (standard output) the file is an unnamed temporary one: libsndfile must seek to finish
// a header, which a pipe cannot do. Its bytes go to standard output only on success, so a reader
// never sees half a file.
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
    // The temporary file's name; empty for standard output, whose file has none.
    std::string temporary_path() const { return to_stdout_ ? std::string() : temporary_; }

    // The temporary file's descriptor, handed over: the caller closes it (libsndfile does). For
    // standard output a second descriptor of it, so that it can be copied out at the end.
    int release_descriptor();
    // The temporary file as a stdio stream; the caller closes it before commit().
    std::FILE* open_stream();

    // Renames the finished temporary file to the target.
    void commit();

  private:
    std::string target_;
    void copy_to_standard_output();

    std::string temporary_;
    int descriptor_ = -1;
    bool to_stdout_ = false;
    bool committed_ = false;
};

}  // namespace ambiora_cli
