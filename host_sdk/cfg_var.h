// Persisted configuration variables and the keyed record stream they are stored in.
//
// Each variable is keyed by a GUID and sits on one module-wide list (newest at the head). The
// player keeps one opaque byte stream per component; it holds one record per variable, in list
// order:   16 bytes GUID (in-memory layout) | u32 LE payload length | payload.
//
// Threading: a cfg_int_t value is one aligned 32-bit word, read and written whole from any thread
// with no ordering (readers pick new values up the next time they look). Saving and loading walk
// the list, which never changes after the module has loaded.
#pragma once

#include <atomic>
#include <cstdint>

#include "stream.h"

class cfg_var {
  public:
    const GUID& guid() const { return guid_; }
    cfg_var* next() const { return next_; }

    // Writes the value's payload.
    virtual void get_data_raw(stream_writer& out, abort_callback& abort) = 0;
    // Reads a new value from a payload of `length` bytes. Returns how many payload bytes it took
    // and sets `ok` when the value was replaced; on failure the old value stays.
    virtual std::size_t set_data_raw(stream_reader& in, std::size_t length, abort_callback& abort,
                                     bool& ok) = 0;

    static cfg_var*& list_head() {
        static constinit cfg_var* head = nullptr;
        return head;
    }

    // Writes every variable on the list as one record.
    static void config_write(stream_writer& out, abort_callback& abort);
    // Loads records until the stream ends. Returns false only when the stream ended inside a
    // record's payload; a stream ending inside a record header ends loading quietly.
    static bool config_read(stream_reader& in, abort_callback& abort);

  protected:
    explicit cfg_var(const GUID& guid) : guid_(guid), next_(list_head()) { list_head() = this; }
    ~cfg_var() = default;

  private:
    GUID guid_;      // key in the stored stream
    cfg_var* next_;  // the variable constructed before this one
};

template <typename T>
class cfg_int_t final : public cfg_var {
    static_assert(sizeof(T) == 4, "stored as a 32-bit little-endian word");

  public:
    cfg_int_t(const GUID& guid, T initial) : cfg_var(guid), value_(initial) {}

    T get() const { return value_.load(std::memory_order_relaxed); }
    void set(T v) { value_.store(v, std::memory_order_relaxed); }
    operator T() const { return get(); }
    cfg_int_t& operator=(T v) {
        set(v);
        return *this;
    }

    void get_data_raw(stream_writer& out, abort_callback& abort) override {
        const auto v = static_cast<std::uint32_t>(get());
        const std::uint8_t bytes[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16),
                                       std::uint8_t(v >> 24)};
        out.write(bytes, sizeof bytes, abort);
    }

    std::size_t set_data_raw(stream_reader& in, std::size_t length, abort_callback& abort,
                             bool& ok) override {
        std::uint8_t bytes[4];
        const std::size_t wanted = length < sizeof bytes ? length : sizeof bytes;
        const std::size_t got = in.read(bytes, wanted, abort);
        ok = got == sizeof bytes;
        if (ok) {
            const std::uint32_t v = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                                    std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24;
            set(static_cast<T>(v));
        }
        return got;
    }

  private:
    std::atomic<T> value_;
};
static_assert(std::atomic<std::int32_t>::is_always_lock_free);
