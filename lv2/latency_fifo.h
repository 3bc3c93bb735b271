// The queue between the engine and a plugin's output ports.
//
// An LV2 plugin must write exactly as many frames as each run() brought in, but the headphone
// renderer gives back only whole 8192-frame blocks and holds the rest of the last one. The plugin
// therefore delays everything it outputs by a fixed latency (8192 frames for the headphone jobs,
// which it reports; 0 for the others): the queue starts with that many silent frames, each
// sub-block's released frames join its end and the ports take exactly the sub-block's length from
// its front. The renderer has released all but at most 8191 of the frames that went in, so after
// a sub-block of m frames the queue holds at least m + 1 frames: output is always available, and
// the stream leaves the plugin exactly `latency` frames late, whatever the host's block sizes.
//
// Threading: part of one plugin instance; used by the thread that runs it.
#pragma once

#include <cstdint>
#include <vector>

namespace ambiora_lv2 {

class latency_fifo {
  public:
    // Takes the storage (the only allocation): `channels` planes of `capacity` frames.
    void allocate(std::uint32_t channels, std::uint32_t capacity);

    // Empties the queue and fills it with `delay` silent frames.
    void restart(std::uint32_t delay);

    // Appends `frames` frames taken from slots 0..channels-1 of interleaved frames `stride` wide.
    void push(const float* frames_data, std::uint32_t frames, std::uint32_t stride);

    // Moves `frames` frames from the front into out[c][offset...]; a null out[c] is skipped. Frames
    // the queue does not hold (never, while the invariant above holds) come out silent.
    void pop(float* const* out, std::uint32_t offset, std::uint32_t frames);

    std::uint32_t held() const { return count_; }

  private:
    std::vector<float> samples_;  // channel c, frame i at c * capacity_ + i
    std::uint32_t channels_ = 0;
    std::uint32_t capacity_ = 0;
    std::uint32_t read_ = 0;   // index of the front frame
    std::uint32_t count_ = 0;  // frames queued
};

}  // namespace ambiora_lv2
