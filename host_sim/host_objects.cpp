#include "host_objects.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace host_sim {
namespace {

std::size_t measured(const char* text, std::size_t length) {
    if (text == nullptr) return 0;
    if (length == string_length_to_terminator) return std::strlen(text);
    return strnlen(text, length);
}

}  // namespace

void host_string::add_string(const char* text, std::size_t length) {
    text_.append(text, measured(text, length));
}

void host_string::set_string(const char* text, std::size_t length) {
    text_.assign(text, measured(text, length));
}

void host_string::truncate(std::size_t length) {
    if (length < text_.size()) text_.resize(length);
}

char* host_string::lock_buffer(std::size_t length) {
    text_.assign(length, '\0');
    return text_.data();
}

void host_string::unlock_buffer() {
    text_.resize(std::strlen(text_.c_str()));
}

host_chunk::host_chunk(std::vector<audio_sample> samples, unsigned channels, unsigned rate,
                       unsigned mask)
    : data_(std::move(samples)),
      channels_(channels),
      rate_(rate),
      mask_(mask),
      frames_(channels != 0 ? data_.size() / channels : 0) {}

void host_chunk::set_channels(unsigned count, unsigned mask) {
    channels_ = count;
    mask_ = mask;
}

std::vector<audio_sample> host_chunk::samples() const {
    const std::size_t n = std::min(data_.size(), frames_ * channels_);
    return {data_.begin(), data_.begin() + std::ptrdiff_t(n)};
}

std::vector<audio_sample> host_chunk::take_storage() {
    frames_ = 0;
    return std::move(data_);
}

audio_chunk* host_chunk_list::get_item(std::size_t index) const {
    return index < chunks_.size() ? chunks_[index].get() : nullptr;
}

void host_chunk_list::remove_by_idx(std::size_t index) {
    if (index < chunks_.size()) chunks_.erase(chunks_.begin() + std::ptrdiff_t(index));
}

// Like the player: find the first marked chunk, then ask bit by bit from there on.
void host_chunk_list::remove_mask(const bit_array& mask) {
    const std::size_t count = chunks_.size();
    const std::size_t first = std::min(mask.find(true, 0, std::ptrdiff_t(count)), count);
    std::vector<std::unique_ptr<host_chunk>> kept;
    for (std::size_t i = 0; i < count; ++i) {
        if (i < first || !mask.get(i)) kept.push_back(std::move(chunks_[i]));
    }
    chunks_ = std::move(kept);
}

audio_chunk* host_chunk_list::insert_item(std::size_t index, std::size_t hint_size) {
    auto chunk = std::make_unique<host_chunk>();
    chunk->set_data_size(hint_size);
    index = std::min(index, chunks_.size());
    chunks_.insert(chunks_.begin() + std::ptrdiff_t(index), std::move(chunk));
    return chunks_[index].get();
}

host_chunk& host_chunk_list::add(host_chunk chunk) {
    chunks_.push_back(std::make_unique<host_chunk>(std::move(chunk)));
    return *chunks_.back();
}

void host_preset::set_data(const void* data, std::size_t bytes) {
    const auto* p = static_cast<const unsigned char*>(data);
    data_.assign(p, p + (p != nullptr ? bytes : 0));
}

void host_preset::set_data_from_stream(stream_reader* stream, std::size_t bytes,
                                       abort_callback& abort) {
    data_.assign(bytes, 0);
    data_.resize(stream->read(data_.data(), bytes, abort));
}

void memory_writer::write(const void* data, std::size_t bytes, abort_callback&) {
    const auto* p = static_cast<const unsigned char*>(data);
    bytes_.insert(bytes_.end(), p, p + bytes);
}

std::size_t memory_reader::read(void* buffer, std::size_t bytes, abort_callback&) {
    const std::size_t n = std::min(bytes, bytes_.size() - position_);
    if (n != 0) std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return n;
}

void memory_reader::read_object(void* buffer, std::size_t bytes, abort_callback& abort) {
    if (read(buffer, bytes, abort) != bytes) throw std::runtime_error("unexpected end of stream");
}

std::uint64_t memory_reader::skip(std::uint64_t bytes, abort_callback&) {
    const std::uint64_t n = std::min<std::uint64_t>(bytes, bytes_.size() - position_);
    position_ += std::size_t(n);
    return n;
}

void memory_reader::skip_object(std::uint64_t bytes, abort_callback& abort) {
    if (skip(bytes, abort) != bytes) throw std::runtime_error("unexpected end of stream");
}

}  // namespace host_sim
