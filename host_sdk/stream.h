// Byte streams the host hands the component for its configuration.
//
// The component only ever calls `read`, `skip` and `write`, which report short transfers by their
// result; `read_object` and `skip_object` signal a short transfer by throwing, which must never
// happen across the boundary to the player, so the component does not use them.
#pragma once

#include <cstdint>

#include "abort_callback.h"

class stream_reader {
  public:
    // Returns the number of bytes read; fewer than asked means the stream ended.
    virtual std::size_t read(void* buffer, std::size_t bytes, abort_callback& abort) = 0;
    // Reads exactly `bytes` or throws.
    virtual void read_object(void* buffer, std::size_t bytes, abort_callback& abort) = 0;
    // Returns the number of bytes skipped; fewer than asked means the stream ended.
    virtual std::uint64_t skip(std::uint64_t bytes, abort_callback& abort) = 0;
    // Skips exactly `bytes` or throws.
    virtual void skip_object(std::uint64_t bytes, abort_callback& abort) = 0;

  protected:
    stream_reader() = default;
    ~stream_reader() = default;
};

class stream_writer {
  public:
    virtual void write(const void* buffer, std::size_t bytes, abort_callback& abort) = 0;

  protected:
    stream_writer() = default;
    ~stream_writer() = default;
};
