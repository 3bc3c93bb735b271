// Reading whole small files (settings streams, response sets, schedules) with one-line errors.
#pragma once

#include <string>
#include <vector>

namespace ambiora_cli {

// "-" as IN or OUT: standard input or output, the convention of command-line audio tools.
inline constexpr const char* standard_stream_name = "-";

// Throws run_error "cannot read PATH: reason" when the path is missing, a directory or
// unreadable.
void check_readable_file(const std::string& path);

// At most `largest` bytes: a bigger file (or an endless device like /dev/zero) is refused, by
// its size before reading when it has one.
std::vector<unsigned char> read_whole_file(const std::string& path, std::size_t largest);

// A descriptor for standard input that can seek: standard input itself (duplicated) when it is a
// file, otherwise an unnamed temporary file in $TMPDIR holding everything the pipe delivers. Every
// decoder then knows where the stream ends and may look back: libsndfile's MP3 reader on a pipe
// stops at a length guess and misbehaves, and libmpg123 wants to seek. The copy costs disk space
// as large as the input and delays the start until the pipe closes. Throws run_error.
int seekable_standard_input();

// Owns the descriptor seekable_standard_input gives, and where the stream began in it.
class standard_input_copy {
  public:
    standard_input_copy() = default;
    ~standard_input_copy() { reset(-1); }
    standard_input_copy(const standard_input_copy&) = delete;
    standard_input_copy& operator=(const standard_input_copy&) = delete;

    void reset(int descriptor);
    int get() const { return descriptor_; }
    // A second descriptor on the same stream, placed back at its start. -1 (errno set) on failure.
    int rewound_copy() const;

  private:
    int descriptor_ = -1;
    long long start_ = 0;  // standard input redirected from a file may begin past its first byte
};

// Whether both paths name one existing file: the same device and inode, so hard and symbolic links
// count as the file itself.
bool same_file(const std::string& a, const std::string& b);

}  // namespace ambiora_cli
