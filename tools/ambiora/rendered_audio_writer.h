// Gathers what the component kept during a plain render into one sound file.
//
// Without a schedule the settings stay put, so every kept chunk has one layout; the first chunk
// with channels fixes the file's channel count, mask and rate. Kept chunks without channels are
// skipped. Once the input's length is known the file is cut there, as the render loop's silent
// tail may pass it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "render_loop.h"
#include "sound_file_output.h"

namespace ambiora_cli {

class pending_output;

class rendered_audio_writer {
  public:
    // `expected_frames`: the input's length as far as known beforehand (0: unknown).
    rendered_audio_writer(pending_output& target, output_format format,
                          std::uint64_t expected_frames);
    ~rendered_audio_writer();

    void add(const kept_chunks& kept);
    // Nothing past `frames` is written from now on.
    void limit_to(std::uint64_t frames) { frame_limit_ = frames; }

    // Finishes the file. False when the component kept no audio at all (nothing was opened).
    bool close();

    unsigned channels() const { return channels_; }
    unsigned mask() const { return mask_; }
    std::uint64_t frames_written() const { return frames_written_; }
    std::uint64_t clipped_samples() const;
    // "32-bit float WAV", or RF64 if a WAV of unknown length grew past 4 GB.
    std::string written_format() const;

  private:
    pending_output& target_;
    output_format format_;
    std::uint64_t expected_frames_;
    std::uint64_t frame_limit_ = UINT64_MAX;
    std::unique_ptr<sound_file_output> file_;
    unsigned channels_ = 0;
    unsigned mask_ = 0;
    unsigned rate_ = 0;
    std::uint64_t frames_written_ = 0;
};

}  // namespace ambiora_cli
