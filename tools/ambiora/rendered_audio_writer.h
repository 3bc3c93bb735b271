// Gathers what the component kept during a plain render into one sound file.
//
// Without a schedule the settings stay put, so every kept chunk has one layout; the first chunk
// with channels fixes the file's channel count, mask and rate. Kept chunks without channels (the
// component's answer to 3, 7 or 8 channels) are skipped. The file is cut at the input's length,
// which the render loop's silent tail may pass.
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
    rendered_audio_writer(pending_output& target, output_format format, std::uint64_t frame_limit);
    ~rendered_audio_writer();

    void add(const kept_chunks& kept);

    // Finishes the file. False when the component kept no audio at all (nothing was opened).
    bool close();

    unsigned channels() const { return channels_; }
    unsigned mask() const { return mask_; }
    std::uint64_t frames_written() const { return frames_written_; }
    std::uint64_t clipped_samples() const;

  private:
    pending_output& target_;
    output_format format_;
    std::uint64_t frame_limit_;
    std::unique_ptr<sound_file_output> file_;
    unsigned channels_ = 0;
    unsigned mask_ = 0;
    unsigned rate_ = 0;
    std::uint64_t frames_written_ = 0;
};

}  // namespace ambiora_cli
