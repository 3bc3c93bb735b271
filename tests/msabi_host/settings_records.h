// The component's stored settings as the player keeps them: one opaque byte stream of records,
// each a 16-byte GUID, a 32-bit payload length and the payload (a 32-bit value for every
// setting). The host builds such streams to steer the component and parses the ones it saves.
#pragma once

#include "player_interfaces.h"

struct setting_key {
    const char* name;
    GUID guid;
    int default_value;
};

// In the order the settings are built; the component saves them in the reverse order.
enum setting_index {
    setting_mode,
    setting_surround_delay,
    setting_centre_width,
    setting_centre_trim,
    setting_surround_trim,
    setting_bass_frequency,
    setting_bass_enable,
    setting_bass_trim,
    setting_bass_invert,
    setting_bass_boost,
    setting_virtual_centre,
    setting_speaker_l,
    setting_speaker_r,
    setting_speaker_c,
    setting_speaker_sl,
    setting_speaker_sr,
    setting_master_gain,
    setting_tray_icon,
    setting_tray_only_when_playing,
    setting_count
};

extern const setting_key setting_keys[setting_count];

constexpr size_t setting_record_size = 16 + 4 + 4;

// A stream under construction, in a fixed buffer.
struct settings_stream {
    unsigned char bytes[512];
    size_t size = 0;

    void append_bytes(const void* data, size_t count);
    void append_u32(unsigned value) { append_bytes(&value, 4); }
    void append_record(const GUID& guid, int value) {
        append_bytes(&guid, 16);
        append_u32(4);
        append_u32(unsigned(value));
    }
    void append_setting(setting_index which, int value) {
        append_record(setting_keys[which].guid, value);
    }
};

// Looks up a setting's value in a saved stream; false when no well-formed record carries it.
bool find_setting(const unsigned char* bytes, size_t size, setting_index which, int& value);
