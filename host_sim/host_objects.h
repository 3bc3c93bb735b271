// The player's side of the host interfaces, as our host simulator provides them: chunks and chunk
// lists, strings, presets, streams over memory, an abort flag and counted track handles.
//
// These are written from what the component expects of the player, not from the player itself.
// They are plain single-threaded objects; a test that shares one between threads synchronises.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "abort_callback.h"
#include "dsp.h"
#include "stream.h"
#include "string_base.h"
#include "track_handle.h"

namespace host_sim {

class host_string final : public string_base {
  public:
    void add_string(const char* text, std::size_t length) override;
    const char* get_ptr() const override { return text_.c_str(); }
    void set_string(const char* text, std::size_t length) override;
    void truncate(std::size_t length) override;
    std::size_t get_length() const override { return text_.size(); }
    char* lock_buffer(std::size_t length) override;
    void unlock_buffer() override;

    const std::string& str() const { return text_; }

  private:
    std::string text_;
};

class host_chunk final : public audio_chunk {
  public:
    host_chunk() = default;
    host_chunk(std::vector<audio_sample> samples, unsigned channels, unsigned rate,
               unsigned mask = 0);

    const audio_sample* get_data() const override { return data_.data(); }
    audio_sample* get_data() override { return data_.data(); }
    std::size_t get_data_size() const override { return data_.size(); }
    void set_data_size(std::size_t samples) override { data_.resize(samples); }
    unsigned get_srate() const override { return rate_; }
    void set_srate(unsigned rate) override { rate_ = rate; }
    unsigned get_channels() const override { return channels_; }
    unsigned get_channel_config() const override { return mask_; }
    void set_channels(unsigned count, unsigned mask) override;
    std::size_t get_sample_count() const override { return frames_; }
    void set_sample_count(std::size_t frames) override { frames_ = frames; }

    // The valid samples (frames x channels).
    std::vector<audio_sample> samples() const;
    // Hands the sample storage over (so that a caller can reuse it for its next chunk) and
    // leaves the chunk empty.
    std::vector<audio_sample> take_storage();

  private:
    std::vector<audio_sample> data_;
    unsigned channels_ = 0;
    unsigned rate_ = 0;
    unsigned mask_ = 0;
    std::size_t frames_ = 0;
};

class host_chunk_list final : public dsp_chunk_list {
  public:
    std::size_t get_count() const override { return chunks_.size(); }
    audio_chunk* get_item(std::size_t index) const override;
    void remove_by_idx(std::size_t index) override;
    void remove_mask(const bit_array& mask) override;
    audio_chunk* insert_item(std::size_t index, std::size_t hint_size) override;

    host_chunk& add(host_chunk chunk);
    host_chunk& at(std::size_t index) { return *chunks_.at(index); }

  private:
    std::vector<std::unique_ptr<host_chunk>> chunks_;
};

class host_preset final : public dsp_preset {
  public:
    GUID* get_owner(GUID* out) const override {
        *out = owner_;
        return out;
    }
    void set_owner(const GUID& owner) override { owner_ = owner; }
    const void* get_data() const override { return data_.empty() ? nullptr : data_.data(); }
    std::size_t get_data_size() const override { return data_.size(); }
    void set_data(const void* data, std::size_t bytes) override;
    void set_data_from_stream(stream_reader* stream, std::size_t bytes,
                              abort_callback& abort) override;

  private:
    GUID owner_{};
    std::vector<unsigned char> data_;
};

class host_abort final : public abort_callback {
  public:
    bool is_aborting() const override { return aborting_; }
    HANDLE get_abort_event() const override { return nullptr; }
    void set(bool aborting) { aborting_ = aborting; }

  private:
    bool aborting_ = false;
};

class memory_writer final : public stream_writer {
  public:
    void write(const void* data, std::size_t bytes, abort_callback& abort) override;
    const std::vector<unsigned char>& bytes() const { return bytes_; }

  private:
    std::vector<unsigned char> bytes_;
};

class memory_reader final : public stream_reader {
  public:
    explicit memory_reader(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}
    std::size_t read(void* buffer, std::size_t bytes, abort_callback& abort) override;
    void read_object(void* buffer, std::size_t bytes, abort_callback& abort) override;
    std::uint64_t skip(std::uint64_t bytes, abort_callback& abort) override;
    void skip_object(std::uint64_t bytes, abort_callback& abort) override;

  private:
    std::vector<unsigned char> bytes_;
    std::size_t position_ = 0;
};

// A track handle whose references are counted, so tests can see that a handler released the
// reference it was given.
class host_track final : public metadb_handle {
  public:
    int service_release() noexcept override { return --references_; }
    int service_add_ref() noexcept override { return ++references_; }
    bool service_query(service_ptr&, const GUID&) override { return false; }
    int references() const { return references_; }

  private:
    std::atomic<int> references_{1};
};

}  // namespace host_sim
