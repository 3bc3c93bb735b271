#include "host_objects.h"

void host_string::add_string(const char* text, size_t length) {
    if (text == nullptr) return;
    const size_t actual = text_length(text);
    if (length != ~size_t(0) && length > actual) ++bad_lengths;
    size_t n = length < actual ? length : actual;
    if (n > sizeof text_ - 1 - used_) n = sizeof text_ - 1 - used_;
    for (size_t i = 0; i < n; ++i) text_[used_ + i] = text[i];
    used_ += n;
    text_[used_] = '\0';
}

void host_writer::write(const void* data, size_t count, abort_callback&) {
    if (count > sizeof bytes - size) {
        overflowed = true;
        return;
    }
    const unsigned char* from = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < count; ++i) bytes[size + i] = from[i];
    size += count;
}

size_t host_reader::read(void* buffer, size_t bytes, abort_callback&) {
    const size_t left = size_ - position_;
    const size_t n = bytes < left ? bytes : left;
    unsigned char* to = static_cast<unsigned char*>(buffer);
    for (size_t i = 0; i < n; ++i) to[i] = data_[position_ + i];
    position_ += n;
    return n;
}

unsigned long long host_reader::skip(unsigned long long bytes, abort_callback&) {
    const size_t left = size_ - position_;
    const size_t n = bytes < left ? size_t(bytes) : left;
    position_ += n;
    return n;
}

void host_chunk::release_storage() {
    free(data_);
    data_ = nullptr;
    size_ = capacity_ = 0;
}

void host_chunk::set_data_size(size_t samples) {
    if (samples > capacity_) {
        void* grown = realloc(data_, samples * sizeof(audio_sample));
        if (grown == nullptr) return;  // the player would throw; the checks will notice
        data_ = static_cast<audio_sample*>(grown);
        capacity_ = samples;
    }
    size_ = samples;
}

void host_chunk::fill(unsigned channels, unsigned rate, size_t frames,
                      double (*value)(unsigned, size_t)) {
    set_data_size(size_t(channels) * frames);
    for (size_t i = 0; i < frames; ++i) {
        for (unsigned c = 0; c < channels; ++c) data_[i * channels + c] = value(c, i);
    }
    rate_ = rate;
    channels_ = channels;
    // The player's default layout for the count; the component is not meant to read it.
    mask_ = channels == 1 ? 0x4u : channels == 2 ? 0x3u : 0x3fu;
    frames_ = frames;
}

void host_chunk_list::remove_by_idx(size_t index) {
    if (index >= count_) return;
    ++removals;
    for (size_t i = index + 1; i < count_; ++i) items_[i - 1] = items_[i];
    --count_;
}

void host_chunk_list::remove_mask(const bit_array& mask) {
    size_t kept = 0;
    for (size_t i = 0; i < count_; ++i) {
        if (mask.get(i)) {
            ++removals;
        } else {
            items_[kept++] = items_[i];
        }
    }
    count_ = kept;
}
