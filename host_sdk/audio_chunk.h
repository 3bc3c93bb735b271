// One chunk of decoded audio as the player holds it: interleaved samples of one to six (or more)
// channels, with a sample rate and a channel mask.
#pragma once

#include "platform.h"

// Speaker bits of a channel mask.
enum channel_mask_bits : unsigned {
    channel_front_left = 0x1,
    channel_front_right = 0x2,
    channel_front_center = 0x4,
    channel_lfe = 0x8,
    channel_back_left = 0x10,
    channel_back_right = 0x20,
};

class audio_chunk {
  public:
    // The data-pointer pair is overloaded in the player's interface. Microsoft's compiler puts an
    // overload group in reverse declaration order, so the const overload comes first in its
    // table; g++ keeps source order, hence the const one is declared first here.
    virtual const audio_sample* get_data() const = 0;
    virtual audio_sample* get_data() = 0;
    virtual std::size_t get_data_size() const = 0;  // in samples
    // May throw when memory runs out; callers keep no live objects with destructors across it.
    virtual void set_data_size(std::size_t samples) = 0;
    virtual unsigned get_srate() const = 0;
    virtual void set_srate(unsigned rate) = 0;
    virtual unsigned get_channels() const = 0;
    virtual unsigned get_channel_config() const = 0;
    virtual void set_channels(unsigned count, unsigned mask) = 0;
    virtual std::size_t get_sample_count() const = 0;  // frames per channel
    virtual void set_sample_count(std::size_t frames) = 0;

  protected:
    audio_chunk() = default;
    ~audio_chunk() = default;
};
