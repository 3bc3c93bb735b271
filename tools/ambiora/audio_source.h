// Where the render loop takes its input from: a sound file or a buffer the demo synthesised.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ambiora_cli {

class audio_source {
  public:
    virtual ~audio_source() = default;
    virtual unsigned channels() const = 0;
    virtual unsigned rate() const = 0;
    // Total frames, for progress and for the output's length; 0 when not known before the end.
    virtual std::uint64_t frames() const = 0;
    // Reads up to `frames` interleaved frames; returns how many were read, 0 at the end.
    virtual std::size_t read(float* interleaved, std::size_t frames) = 0;
};

}  // namespace ambiora_cli
