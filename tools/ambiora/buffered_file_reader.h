// Reads a regular file for libsndfile through a large buffer of our own.
//
// libsndfile's own file access converts integer samples a few kilobytes at a time and reads each
// piece from the file with a system call of its own: some sixty thousand calls for ten minutes of
// 16-bit 5.1, more time than the conversion itself. Given this reader as its virtual I/O, it
// copies the pieces out of one buffer that a single read refills a megabyte at a time.
//
// Only for a regular file (or the unnamed file that holds a piped standard input); a pipe or a
// device keeps libsndfile's own access, which knows how to read what cannot seek.
#pragma once

#include <sndfile.h>

#include <memory>
#include <string>
#include <vector>

namespace ambiora_cli {

class buffered_file_reader {
  public:
    // Takes `descriptor` (closed with the reader); the stream starts where the descriptor stands.
    // Null, the descriptor closed, when it is not a regular file.
    static std::unique_ptr<buffered_file_reader> for_regular_file(int descriptor);
    ~buffered_file_reader();
    buffered_file_reader(const buffered_file_reader&) = delete;
    buffered_file_reader& operator=(const buffered_file_reader&) = delete;

    // The callbacks to give sf_open_virtual, with this reader as their user data.
    static SF_VIRTUAL_IO& callbacks();

    // The system's error number of a read that failed; libsndfile only sees fewer bytes than it
    // asked for, as at the end of the file. 0 while all is well.
    int failure() const { return failure_; }

  private:
    buffered_file_reader(int descriptor, long long start, long long length);

    sf_count_t read(void* to, sf_count_t bytes);
    sf_count_t seek(sf_count_t offset, int whence);

    int descriptor_;
    long long start_;   // the stream's first byte in the file
    long long length_;  // the stream's bytes, from start_
    long long position_ = 0;
    std::vector<char> buffer_;
    long long buffer_position_ = 0;  // the stream position of buffer_[0]
    std::size_t buffered_ = 0;       // bytes of buffer_ holding the stream
    int failure_ = 0;
};

}  // namespace ambiora_cli
