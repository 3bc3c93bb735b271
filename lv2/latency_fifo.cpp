#include "latency_fifo.h"

#include <algorithm>

namespace ambiora_lv2 {

void latency_fifo::allocate(std::uint32_t channels, std::uint32_t capacity) {
    channels_ = channels;
    capacity_ = capacity;
    samples_.assign(std::size_t(channels) * capacity, 0.0f);
    read_ = 0;
    count_ = 0;
}

void latency_fifo::restart(std::uint32_t delay) {
    std::fill(samples_.begin(), samples_.end(), 0.0f);
    read_ = 0;
    count_ = std::min(delay, capacity_);
}

void latency_fifo::push(const float* frames_data, std::uint32_t frames, std::uint32_t stride) {
    // More than the room left would mean a broken invariant; the excess is dropped rather than
    // written over frames still queued.
    frames = std::min(frames, capacity_ - count_);
    std::uint32_t write = (read_ + count_) % capacity_;
    for (std::uint32_t f = 0; f < frames; ++f, frames_data += stride) {
        for (std::uint32_t c = 0; c < channels_; ++c) {
            samples_[std::size_t(c) * capacity_ + write] = frames_data[c];
        }
        if (++write == capacity_) write = 0;
    }
    count_ += frames;
}

void latency_fifo::pop(float* const* out, std::uint32_t offset, std::uint32_t frames) {
    const std::uint32_t available = std::min(frames, count_);
    for (std::uint32_t c = 0; c < channels_; ++c) {
        if (out[c] == nullptr) continue;
        const float* plane = samples_.data() + std::size_t(c) * capacity_;
        float* dst = out[c] + offset;
        const std::uint32_t first = std::min(available, capacity_ - read_);
        std::copy(plane + read_, plane + read_ + first, dst);
        std::copy(plane, plane + (available - first), dst + first);
        std::fill(dst + available, dst + frames, 0.0f);
    }
    read_ = (read_ + available) % capacity_;
    count_ -= available;
}

}  // namespace ambiora_lv2
