// The component's stored settings as the player keeps them: one opaque byte stream of records,
// each a 16-byte GUID, a 32-bit payload length and the payload (a 32-bit value for every
// setting). The host builds such streams to steer the component and reads the ones it saves.
#pragma once

#include "player_interfaces.h"

// The keys of the settings the host steers (constant data: the host runs no constructors).
constexpr GUID mode_key = {
    0x41ac41e7, 0x7c3a, 0x467d, {0xb7, 0xf2, 0x8b, 0x5c, 0xc1, 0x3c, 0x03, 0x06}};
constexpr GUID surround_delay_key = {
    0x89534295, 0xd81b, 0x461b, {0x8f, 0x22, 0x8d, 0xc5, 0xa3, 0x21, 0x98, 0x14}};
constexpr GUID tray_icon_key = {
    0x8e435c74, 0x5b94, 0x4386, {0x8b, 0x76, 0x4f, 0xd2, 0x2a, 0x7a, 0x4b, 0x1f}};

constexpr int setting_count = 19;
constexpr size_t setting_record_size = 16 + 4 + 4;

// A stream under construction, in a fixed buffer.
struct settings_stream {
    unsigned char bytes[512];
    size_t size = 0;

    void append_bytes(const void* data, size_t count) {
        const unsigned char* from = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < count && size < sizeof bytes; ++i) bytes[size++] = from[i];
    }
    void append_u32(unsigned value) { append_bytes(&value, 4); }
    void append_record(const GUID& key, int value) {
        append_bytes(&key, 16);
        append_u32(4);
        append_u32(unsigned(value));
    }
};

// The value of the record keyed `key` in a saved stream of whole four-byte records.
inline bool find_setting(const unsigned char* bytes, size_t size, const GUID& key, int& value) {
    for (size_t at = 0; at + setting_record_size <= size; at += setting_record_size) {
        if (same_bytes(bytes + at, &key, 16)) {
            value = int(unsigned(bytes[at + 20]) | unsigned(bytes[at + 21]) << 8 |
                        unsigned(bytes[at + 22]) << 16 | unsigned(bytes[at + 23]) << 24);
            return true;
        }
    }
    return false;
}
