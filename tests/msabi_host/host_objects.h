// The player-side objects the host hands to the component: its API object, strings, streams,
// presets, track handles, audio chunks and chunk lists. Each one also keeps count of how it was
// called, so that a call landing in the wrong slot shows up as a count where none belongs.
#pragma once

#include "player_interfaces.h"

class host_api final : public foobar2000_api {
  public:
    int calls = 0;

    const void* find_class(const GUID&) override { return ++calls, nullptr; }
    bool create(service_ptr&, const void*, size_t) override { return ++calls, false; }
    size_t count(const void*) override { return ++calls, 0; }
    HWND main_window() override { return ++calls, nullptr; }
    bool assert_main_thread() override { return ++calls, true; }
    bool is_main_thread() override { return ++calls, true; }
    bool is_shutting_down() override { return ++calls, false; }
    const char* profile_path() override { return ++calls, "file://C:\\ambiora-host-profile"; }
    bool is_initializing() override { return ++calls, false; }
    bool is_portable_mode() override { return ++calls, false; }
    bool is_quiet_mode() override { return ++calls, true; }
};

class host_abort final : public abort_callback {
  public:
    bool is_aborting() const override { return false; }
    HANDLE get_abort_event() const override { return nullptr; }
};

// A string of bounded size (long enough for anything the component says).
class host_string final : public string_base {
  public:
    // Lengths other than "to the terminator" that ran past the text: the component must pass
    // either the true length or the sentinel.
    int bad_lengths = 0;

    void add_string(const char* text, size_t length) override;
    const char* get_ptr() const override { return text_; }
    void set_string(const char* text, size_t length) override {
        used_ = 0;
        text_[0] = '\0';
        add_string(text, length);
    }
    void truncate(size_t length) override {
        if (length < used_) text_[used_ = length] = '\0';
    }
    size_t get_length() const override { return used_; }
    char* lock_buffer(size_t) override { return text_; }
    void unlock_buffer() override { used_ = text_length(text_); }

  private:
    char text_[1024] = {};
    size_t used_ = 0;
};

// A byte stream the component writes its settings into.
class host_writer final : public stream_writer {
  public:
    unsigned char bytes[1024];
    size_t size = 0;
    bool overflowed = false;

    void write(const void* data, size_t count, abort_callback&) override;
};

// A byte stream over a fixed buffer the component reads its settings from. The object-reading
// operations report a short stream by throwing in the player; the component must not rely on
// them, so they are only counted.
class host_reader final : public stream_reader {
  public:
    host_reader(const unsigned char* data, size_t size) : data_(data), size_(size) {}
    int object_calls = 0;

    size_t read(void* buffer, size_t bytes, abort_callback&) override;
    void read_object(void*, size_t, abort_callback&) override { ++object_calls; }
    unsigned long long skip(unsigned long long bytes, abort_callback&) override;
    void skip_object(unsigned long long, abort_callback&) override { ++object_calls; }

  private:
    const unsigned char* data_;
    size_t size_;
    size_t position_ = 0;
};

class host_preset final : public dsp_preset {
  public:
    GUID owner = {};
    const void* data = nullptr;
    size_t data_size = 0;
    mutable int owner_reads = 0;
    int set_owner_calls = 0;
    int set_data_calls = 0;

    GUID get_owner() const override { return ++owner_reads, owner; }
    void set_owner(const GUID& g) override { ++set_owner_calls, owner = g; }
    const void* get_data() const override { return data; }
    size_t get_data_size() const override { return data_size; }
    void set_data(const void* bytes, size_t size) override {
        ++set_data_calls;
        data = bytes;
        data_size = size;
    }
    void set_data_from_stream(stream_reader*, size_t, abort_callback&) override {}
};

// A reference-counted object of the host's: a track handle, or a stand-in the component is asked
// to overwrite. It is never deleted; its count is what the checks read.
class host_counted final : public metadb_handle {
  public:
    long references = 1;  // the host's own

    int service_release() override { return int(InterlockedDecrement(&references)); }
    int service_add_ref() override { return int(InterlockedIncrement(&references)); }
    bool service_query(service_ptr_base&, const GUID&) override { return false; }
};

// A chunk of the player's samples (double on x64, float on x86) in heap storage that only grows.
class host_chunk final : public audio_chunk {
  public:
    // Which data-pointer overload the component reached.
    mutable int const_data_calls = 0;
    int writable_data_calls = 0;

    void release_storage();
    // Fills the chunk with `frames` frames of `channels` channels, sample i of channel c being
    // `value(c, i)`.
    void fill(unsigned channels, unsigned rate, size_t frames, double (*value)(unsigned, size_t));

    audio_sample* get_data() override { return ++writable_data_calls, data_; }
    const audio_sample* get_data() const override { return ++const_data_calls, data_; }
    size_t get_data_size() const override { return size_; }
    void set_data_size(size_t samples) override;
    unsigned get_srate() const override { return rate_; }
    void set_srate(unsigned rate) override { rate_ = rate; }
    unsigned get_channels() const override { return channels_; }
    unsigned get_channel_config() const override { return mask_; }
    void set_channels(unsigned count, unsigned mask) override {
        channels_ = count;
        mask_ = mask;
    }
    size_t get_sample_count() const override { return frames_; }
    void set_sample_count(size_t frames) override { frames_ = frames; }

  private:
    audio_sample* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
    unsigned rate_ = 0;
    unsigned channels_ = 0;
    unsigned mask_ = 0;
    size_t frames_ = 0;
};

// A list of at most a few chunks, owned elsewhere.
class host_chunk_list final : public dsp_chunk_list {
  public:
    static constexpr size_t max_chunks = 4;
    int removals = 0;

    void clear() { count_ = 0; }
    void push(host_chunk* chunk) {
        if (count_ < max_chunks) items_[count_++] = chunk;
    }
    host_chunk* item(size_t index) const { return index < count_ ? items_[index] : nullptr; }

    size_t get_count() const override { return count_; }
    audio_chunk* get_item(size_t index) const override { return item(index); }
    void remove_by_idx(size_t index) override;
    void remove_mask(const bit_array& mask) override;
    audio_chunk* insert_item(size_t, size_t) override { return nullptr; }

  private:
    host_chunk* items_[max_chunks] = {};
    size_t count_ = 0;
};
