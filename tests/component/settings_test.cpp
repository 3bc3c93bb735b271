// The nineteen settings: defaults, the stored stream and every way a stored stream can be damaged.
// Random and mutated streams are replayed from fuzz/corpus by fuzz_replay_tests.
#include <cstring>

#include "component_fixture.h"
#include "settings.h"

namespace ambiora_test {
namespace {

using bytes = std::vector<unsigned char>;
using namespace ambiora;

bytes record(const GUID& guid, std::uint32_t length, const bytes& payload) {
    bytes r(20);
    std::memcpy(r.data(), &guid, 16);
    for (int i = 0; i < 4; ++i) r[16 + i] = static_cast<unsigned char>(length >> (8 * i));
    r.insert(r.end(), payload.begin(), payload.end());
    return r;
}

bytes le32(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    return {std::uint8_t(u), std::uint8_t(u >> 8), std::uint8_t(u >> 16), std::uint8_t(u >> 24)};
}

bytes operator+(bytes a, const bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class settings : public component_test {};

// The defaults as the player stores them, byte for byte: one record per setting, newest first,
// each the GUID as it lies in memory, the payload length and the value, little-endian.
constexpr const char* default_stream[] = {
    "a3bc426e518e594d8076007fe7ed8f6a 04000000 01000000",  // cfg_tray_only_when_playing
    "745c438e945b86438b764fd22a7a4b1f 04000000 01000000",  // cfg_tray_icon
    "8100acc442ebed4586ecfa63b911b300 04000000 00000000",  // cfg_master_gain
    "91e0a458db44c645bd6ae4f78ad4f4f0 04000000 01000000",  // cfg_speaker_sr
    "bb696fd79bd54247872cf22899f01774 04000000 01000000",  // cfg_speaker_sl
    "85842decbeda5646bef45d96ed83ca48 04000000 01000000",  // cfg_speaker_c
    "9cccd9c345797d40aa801ceba0c256e7 04000000 01000000",  // cfg_speaker_r
    "a95c2b6927e1ca47b1207fe98599b20b 04000000 01000000",  // cfg_speaker_l
    "1573fec3862d0b46b782bb4945cacf93 04000000 00000000",  // cfg_virtual_centre
    "63f48523b0d6a0458663d66d5f53fd96 04000000 00000000",  // cfg_bass_boost
    "e38971190d4d2a42b9bde06199606505 04000000 00000000",  // cfg_bass_invert
    "463f6b03f42be4409ac1397e55fd78d0 04000000 00000000",  // cfg_bass_trim
    "7214655eb960bf4988e102ae5e90ed8f 04000000 00000000",  // cfg_bass_enable
    "c2ce4e39ea9b134186bcf42105a8a74f 04000000 78000000",  // cfg_bass_frequency
    "379e366a5162234f8970170501cd0601 04000000 00000000",  // cfg_surround_trim
    "70e48bb21044c746b448ad43f304fee0 04000000 00000000",  // cfg_centre_trim
    "c1197963a590624b85a4e991909acb56 04000000 00000000",  // cfg_centre_width
    "954253891bd81b468f228dc5a3219814 04000000 14000000",  // cfg_surround_delay
    "e741ac413a7c7d46b7f28b5cc13c0306 04000000 04000000",  // cfg_mode
};

bytes from_hex(const char* text) {
    bytes out;
    for (const char* c = text; c[0] != '\0' && c[1] != '\0'; ++c) {
        if (*c == ' ') continue;
        out.push_back(static_cast<unsigned char>(std::stoi(std::string(c, 2), nullptr, 16)));
        ++c;
    }
    return out;
}

TEST_F(settings, the_defaults_are_stored_as_the_player_keeps_them) {
    bytes expected;
    for (const char* record : default_stream) expected = expected + from_hex(record);
    EXPECT_EQ(host().save_settings(), expected);
}

TEST_F(settings, save_then_load_restores_every_value) {
    std::int32_t v = -12;
    for (const setting_row& s : setting_table) s.value() = v++;
    const bytes stream = host().save_settings();
    restore_default_settings();
    EXPECT_TRUE(host().load_settings(stream));
    v = -12;
    for (const setting_row& s : setting_table) EXPECT_EQ(s.value(), v++) << s.name;
}

// Records match by GUID in any order; unknown ones are skipped by their length; any value loads,
// out of range too; a long payload gives its first four bytes; a short one changes nothing.
TEST_F(settings, each_record_loads_by_its_guid_and_payload_length) {
    const GUID stranger = {0x01020304, 0x0506, 0x0708, {1, 2, 3, 4, 5, 6, 7, 8}};
    const bytes stream = record(stranger, 9, bytes(9, 0xee)) +
                         record(setting("surround-delay").guid(), 4, le32(100000)) +
                         record(cfg_mode.guid(), 4, le32(-3)) +
                         record(setting("centre-trim").guid(), 7, le32(-5) + bytes{9, 9, 9}) +
                         record(setting("surround-trim").guid(), 2, bytes{3, 0}) +
                         record(setting("bass-trim").guid(), 0, {}) +
                         record(setting("master-gain").guid(), 4, le32(-7));
    EXPECT_TRUE(host().load_settings(stream));
    EXPECT_EQ(setting("surround-delay"), 100000);
    EXPECT_EQ(cfg_mode, -3);
    EXPECT_EQ(setting("centre-trim"), -5);
    EXPECT_EQ(setting("surround-trim"), 0);
    EXPECT_EQ(setting("bass-trim"), 0);
    EXPECT_EQ(setting("master-gain"), -7);
}

TEST_F(settings, a_stream_ending_in_a_header_ends_quietly_and_one_ending_in_a_payload_is_reported) {
    const bytes good = record(cfg_mode.guid(), 4, le32(1));
    const bytes next = record(setting("surround-delay").guid(), 4, le32(77));
    for (std::size_t cut = 0; cut < 24; ++cut) {
        restore_default_settings();
        EXPECT_EQ(host().load_settings(good + bytes(next.begin(), next.begin() + cut)), cut < 20)
            << "cut at " << cut;
        EXPECT_EQ(cfg_mode, 1) << "what was loaded before stays loaded";
        EXPECT_EQ(setting("surround-delay"), 20);
    }
    const GUID stranger = {7, 7, 7, {7, 7, 7, 7, 7, 7, 7, 7}};
    EXPECT_FALSE(host().load_settings(good + record(stranger, 100, bytes(10, 0))));
}

}  // namespace
}  // namespace ambiora_test
