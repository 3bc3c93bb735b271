// An audio_source over samples already in memory (the demo's synthesised programme).
#pragma once

#include <algorithm>
#include <vector>

#include "audio_source.h"

namespace ambiora_cli {

class memory_source final : public audio_source {
  public:
    memory_source(const std::vector<float>& samples, unsigned channels, unsigned rate)
        : samples_(samples), channels_(channels), rate_(rate) {}

    unsigned channels() const override { return channels_; }
    unsigned rate() const override { return rate_; }
    std::uint64_t frames() const override { return samples_.size() / channels_; }
    std::size_t read(float* interleaved, std::size_t frames) override {
        const std::size_t count = std::min<std::size_t>(frames, this->frames() - position_);
        std::copy_n(samples_.begin() + std::ptrdiff_t(position_ * channels_), count * channels_,
                    interleaved);
        position_ += count;
        return count;
    }

  private:
    const std::vector<float>& samples_;
    unsigned channels_;
    unsigned rate_;
    std::size_t position_ = 0;
};

}  // namespace ambiora_cli
