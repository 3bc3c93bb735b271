// The chunk log that `render --schedule` writes instead of a sound file, because the output's
// layout may change from one chunk to the next. All numbers little-endian:
//
//     bytes 0-7   "CHUNKS1\0"
//     u32         sample rate of the input
//     u32         number of input chunks
//     per input chunk:
//         u32 keep (1 kept, 0 dropped), u32 channels, u32 frames, u32 channel mask,
//         channels x frames float32, interleaved
//
// A dropped chunk, or a kept one without channels, has zero channels, frames and mask.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "render_loop.h"

namespace ambiora_cli {

class chunk_log_writer {
  public:
    // Writes the header to `stream` (a fresh file, which must be seekable for the count); takes
    // ownership of the stream.
    chunk_log_writer(std::FILE* stream, std::string target, unsigned rate);
    ~chunk_log_writer();
    chunk_log_writer(const chunk_log_writer&) = delete;
    chunk_log_writer& operator=(const chunk_log_writer&) = delete;

    // One input chunk's outcome: `kept` holds what the component returned for it (0 or 1 chunks).
    void add(const kept_chunks& kept);

    // Writes the final chunk count into the header and closes the stream; throws run_error when
    // anything failed to reach the file.
    void close();

  private:
    void write_u32(std::uint32_t value);
    void write_bytes(const void* data, std::size_t bytes);

    std::FILE* stream_;
    std::string target_;
    std::uint32_t chunks_ = 0;
    bool failed_ = false;
};

}  // namespace ambiora_cli
