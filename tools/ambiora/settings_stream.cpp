#include "settings_stream.h"

#include <cstring>
#include <functional>

#include "messages.h"

namespace ambiora_cli {
namespace {

constexpr std::size_t header_bytes = 16 + 4;

std::uint32_t read_u32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// Calls `visit(guid, payload, length)` for every whole record; returns false when the stream
// ends inside one.
bool walk_records(
    const std::vector<unsigned char>& bytes,
    const std::function<void(const GUID&, const unsigned char*, std::uint32_t)>& visit) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < header_bytes) return false;
        GUID guid;
        std::memcpy(&guid, bytes.data() + at,
                    sizeof guid);  // the stream holds the in-memory layout
        const std::uint32_t length = read_u32(bytes.data() + at + 16);
        at += header_bytes;
        if (bytes.size() - at < length) return false;
        visit(guid, bytes.data() + at, length);
        at += length;
    }
    return true;
}

}  // namespace

void check_settings_stream(const std::vector<unsigned char>& bytes, const std::string& path) {
    bool any_known = false;
    const bool whole =
        walk_records(bytes, [&](const GUID& guid, const unsigned char*, std::uint32_t) {
            for (const ambiora::setting_row& s : ambiora::setting_table) {
                if (s.value().guid() == guid) any_known = true;
            }
        });
    if (!whole) {
        throw run_error(path +
                        " is not a settings stream of this component (it ends inside a record)");
    }
    if (!bytes.empty() && !any_known) {
        throw run_error(path + " holds none of this component's settings");
    }
}

std::optional<std::int32_t> stored_value(const std::vector<unsigned char>& bytes,
                                         const ambiora::setting_row& setting) {
    std::optional<std::int32_t> value;
    walk_records(bytes, [&](const GUID& guid, const unsigned char* payload, std::uint32_t length) {
        if (guid == setting.value().guid() && length == 4) value = std::int32_t(read_u32(payload));
    });
    return value;
}

}  // namespace ambiora_cli
