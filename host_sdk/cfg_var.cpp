#include "cfg_var.h"

#include <cstring>
#include <new>

namespace {

void put_u32(std::uint8_t* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = std::uint8_t(v >> (8 * i));
}

std::uint32_t get_u32(const std::uint8_t* in) {
    return std::uint32_t(in[0]) | std::uint32_t(in[1]) << 8 | std::uint32_t(in[2]) << 16 |
           std::uint32_t(in[3]) << 24;
}

// Collects one variable's payload so its length can be written before it.
class payload_buffer final : public stream_writer {
  public:
    void write(const void* data, std::size_t bytes, abort_callback&) override {
        // Our variables write a handful of bytes; anything beyond the buffer is a programming
        // error that we refuse to turn into memory corruption.
        if (bytes > sizeof(storage_) - size_) bytes = sizeof(storage_) - size_;
        std::memcpy(storage_ + size_, data, bytes);
        size_ += bytes;
    }
    const std::uint8_t* data() const { return storage_; }
    std::size_t size() const { return size_; }

  private:
    std::uint8_t storage_[64];
    std::size_t size_ = 0;
};

cfg_var* find_var(const GUID& guid) {
    for (cfg_var* v = cfg_var::list_head(); v != nullptr; v = v->next()) {
        if (v->guid() == guid) return v;
    }
    return nullptr;
}

}  // namespace

void cfg_var::config_write(stream_writer& out, abort_callback& abort) {
    for (cfg_var* v = list_head(); v != nullptr; v = v->next()) {
        payload_buffer payload;
        v->get_data_raw(payload, abort);
        std::uint8_t header[20];
        std::memcpy(header, &v->guid(), 16);
        put_u32(header + 16, std::uint32_t(payload.size()));
        out.write(header, sizeof header, abort);
        if (payload.size() != 0) out.write(payload.data(), payload.size(), abort);
    }
}

bool cfg_var::config_read(stream_reader& in, abort_callback& abort) {
    for (;;) {
        std::uint8_t header[20];
        if (in.read(header, 16, abort) != 16) return true;
        if (in.read(header + 16, 4, abort) != 4) return true;
        GUID guid;
        std::memcpy(&guid, header, 16);
        const std::uint32_t length = get_u32(header + 16);

        std::size_t consumed = 0;
        if (cfg_var* v = find_var(guid)) {
            bool ok = false;
            consumed = v->set_data_raw(in, length, abort, ok);
            // A payload too short for the variable leaves its old value; we still go on.
        }
        const std::uint64_t rest = std::uint64_t(length) - consumed;
        // Whatever the variable did not take is skipped; coming up short here means the stream
        // ended inside the payload, which the host should hear about.
        if (rest != 0 && in.skip(rest, abort) != rest) return false;
    }
}
