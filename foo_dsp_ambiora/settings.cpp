#include "settings.h"

#include <cstring>

#include "init_order.h"

namespace ambiora {

// Constructed in this order; each joins the head of the settings list, so saving walks them from
// cfg_tray_only_when_playing back to cfg_mode.
// clang-format off
AMBIORA_INIT_SETTINGS cfg_setting cfg_mode{{0x41ac41e7, 0x7c3a, 0x467d, {0xb7, 0xf2, 0x8b, 0x5c, 0xc1, 0x3c, 0x03, 0x06}}, 4};
AMBIORA_INIT_SETTINGS cfg_setting cfg_surround_delay{{0x89534295, 0xd81b, 0x461b, {0x8f, 0x22, 0x8d, 0xc5, 0xa3, 0x21, 0x98, 0x14}}, 20};
AMBIORA_INIT_SETTINGS cfg_setting cfg_centre_width{{0x637919c1, 0x90a5, 0x4b62, {0x85, 0xa4, 0xe9, 0x91, 0x90, 0x9a, 0xcb, 0x56}}, 0};
AMBIORA_INIT_SETTINGS cfg_setting cfg_centre_trim{{0xb28be470, 0x4410, 0x46c7, {0xb4, 0x48, 0xad, 0x43, 0xf3, 0x04, 0xfe, 0xe0}}, 0};
AMBIORA_INIT_SETTINGS cfg_setting cfg_surround_trim{{0x6a369e37, 0x6251, 0x4f23, {0x89, 0x70, 0x17, 0x05, 0x01, 0xcd, 0x06, 0x01}}, 0};
AMBIORA_INIT_SETTINGS cfg_setting cfg_bass_frequency{{0x394ecec2, 0x9bea, 0x4113, {0x86, 0xbc, 0xf4, 0x21, 0x05, 0xa8, 0xa7, 0x4f}}, 120};
AMBIORA_INIT_SETTINGS cfg_setting cfg_bass_enable{{0x5e651472, 0x60b9, 0x49bf, {0x88, 0xe1, 0x02, 0xae, 0x5e, 0x90, 0xed, 0x8f}}, 0};
AMBIORA_INIT_SETTINGS cfg_setting cfg_bass_trim{{0x036b3f46, 0x2bf4, 0x40e4, {0x9a, 0xc1, 0x39, 0x7e, 0x55, 0xfd, 0x78, 0xd0}}, 0};
AMBIORA_INIT_SETTINGS cfg_setting cfg_bass_invert{{0x197189e3, 0x4d0d, 0x422a, {0xb9, 0xbd, 0xe0, 0x61, 0x99, 0x60, 0x65, 0x05}}, 0};
AMBIORA_INIT_SETTINGS cfg_setting cfg_bass_boost{{0x2385f463, 0xd6b0, 0x45a0, {0x86, 0x63, 0xd6, 0x6d, 0x5f, 0x53, 0xfd, 0x96}}, 0};
AMBIORA_INIT_SETTINGS cfg_setting cfg_virtual_centre{{0xc3fe7315, 0x2d86, 0x460b, {0xb7, 0x82, 0xbb, 0x49, 0x45, 0xca, 0xcf, 0x93}}, 0};
AMBIORA_INIT_SETTINGS cfg_setting cfg_speaker_l{{0x692b5ca9, 0xe127, 0x47ca, {0xb1, 0x20, 0x7f, 0xe9, 0x85, 0x99, 0xb2, 0x0b}}, 1};
AMBIORA_INIT_SETTINGS cfg_setting cfg_speaker_r{{0xc3d9cc9c, 0x7945, 0x407d, {0xaa, 0x80, 0x1c, 0xeb, 0xa0, 0xc2, 0x56, 0xe7}}, 1};
AMBIORA_INIT_SETTINGS cfg_setting cfg_speaker_c{{0xec2d8485, 0xdabe, 0x4656, {0xbe, 0xf4, 0x5d, 0x96, 0xed, 0x83, 0xca, 0x48}}, 1};
AMBIORA_INIT_SETTINGS cfg_setting cfg_speaker_sl{{0xd76f69bb, 0xd59b, 0x4742, {0x87, 0x2c, 0xf2, 0x28, 0x99, 0xf0, 0x17, 0x74}}, 1};
AMBIORA_INIT_SETTINGS cfg_setting cfg_speaker_sr{{0x58a4e091, 0x44db, 0x45c6, {0xbd, 0x6a, 0xe4, 0xf7, 0x8a, 0xd4, 0xf4, 0xf0}}, 1};
AMBIORA_INIT_SETTINGS cfg_setting cfg_master_gain{{0xc4ac0081, 0xeb42, 0x45ed, {0x86, 0xec, 0xfa, 0x63, 0xb9, 0x11, 0xb3, 0x00}}, 0};
AMBIORA_INIT_SETTINGS cfg_setting cfg_tray_icon{{0x8e435c74, 0x5b94, 0x4386, {0x8b, 0x76, 0x4f, 0xd2, 0x2a, 0x7a, 0x4b, 0x1f}}, 1};
AMBIORA_INIT_SETTINGS cfg_setting cfg_tray_only_when_playing{{0x6e42bca3, 0x8e51, 0x4d59, {0x80, 0x76, 0x00, 0x7f, 0xe7, 0xed, 0x8f, 0x6a}}, 1};

namespace {

constexpr setting_info table[setting_count] = {
    {"mode",                   cfg_mode,                    4,   0,   8, setting_unit::mode,         true, "processing mode"},
    {"surround-delay",         cfg_surround_delay,         20,   0, 100, setting_unit::milliseconds, true, "delay of the surround channels"},
    {"centre-width",           cfg_centre_width,            0,   0, 100, setting_unit::percent,      true, "centre width"},
    {"centre-trim",            cfg_centre_trim,             0, -12,  12, setting_unit::decibels,     true, "centre channel level"},
    {"surround-trim",          cfg_surround_trim,           0, -12,  12, setting_unit::decibels,     true, "surround channels level"},
    {"bass-frequency",         cfg_bass_frequency,        120,  10, 200, setting_unit::hertz,        true, "bass redirection crossover frequency"},
    {"bass-enable",            cfg_bass_enable,             0,   0,   1, setting_unit::on_off,       true, "bass redirection on"},
    {"bass-trim",              cfg_bass_trim,               0, -12,  12, setting_unit::decibels,     true, "level of the redirected bass"},
    {"bass-invert",            cfg_bass_invert,             0,   0,   1, setting_unit::on_off,       true, "redirected bass phase inverted"},
    {"bass-boost",             cfg_bass_boost,              0,   0,   1, setting_unit::on_off,       true, "redirected bass +10 dB"},
    {"virtual-centre",         cfg_virtual_centre,          0,   0,   1, setting_unit::on_off,       true, "virtual centre speaker"},
    {"speaker-l",              cfg_speaker_l,               1,   0,   1, setting_unit::on_off,       true, "left speaker sounding"},
    {"speaker-r",              cfg_speaker_r,               1,   0,   1, setting_unit::on_off,       true, "right speaker sounding"},
    {"speaker-c",              cfg_speaker_c,               1,   0,   1, setting_unit::on_off,       true, "centre speaker sounding"},
    {"speaker-sl",             cfg_speaker_sl,              1,   0,   1, setting_unit::on_off,       true, "surround-left speaker sounding"},
    {"speaker-sr",             cfg_speaker_sr,              1,   0,   1, setting_unit::on_off,       true, "surround-right speaker sounding"},
    {"master-gain",            cfg_master_gain,             0, -12,   0, setting_unit::decibels,     true, "output gain"},
    {"tray-icon",              cfg_tray_icon,               1,   0,   1, setting_unit::on_off,       false, "show the tray icon"},
    {"tray-only-when-playing", cfg_tray_only_when_playing,  1,   0,   1, setting_unit::on_off,       false, "show the tray icon only while playing"},
};
// clang-format on

constexpr const char* mode_names[] = {
    "Bypass",         "Ambiora+C",         "Ambiora-AS",
    "Ambiora-ASr",    "Ambiora-AS2",       "Ambiora Headphone",
    "Ambiora Headphone Movie", "Ambiora Encode", "Ambiora Encode2",
};

}  // namespace

std::span<const setting_info, setting_count> setting_table() { return table; }

const setting_info* find_setting(const char* name) {
    for (const setting_info& s : table) {
        if (std::strcmp(s.name, name) == 0) return &s;
    }
    return nullptr;
}

void restore_default_settings() {
    for (const setting_info& s : table) s.var = s.default_value;
}

const char* mode_name(std::int32_t mode) {
    if (mode < 0 || mode >= std::int32_t(std::size(mode_names))) return nullptr;
    return mode_names[mode];
}

}  // namespace ambiora
