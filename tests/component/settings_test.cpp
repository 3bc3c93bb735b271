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

TEST_F(settings, defaults_are_mode_as2_with_20_ms_120_hz_all_speakers_and_the_tray_on) {
    EXPECT_EQ(cfg_mode, 4);
    EXPECT_EQ(ambiora::setting("surround-delay"), 20);
    EXPECT_EQ(ambiora::setting("bass-frequency"), 120);
    for (auto* s :
         {&ambiora::setting("speaker-l"), &ambiora::setting("speaker-r"), &ambiora::setting("speaker-c"), &ambiora::setting("speaker-sl"), &ambiora::setting("speaker-sr")})
        EXPECT_EQ(*s, 1);
    EXPECT_EQ(cfg_tray_icon, 1);
    EXPECT_EQ(cfg_tray_only_when_playing, 1);
    for (auto* s :
         {&ambiora::setting("centre-width"), &ambiora::setting("centre-trim"), &ambiora::setting("surround-trim"), &cfg_bass_enable, &ambiora::setting("bass-trim"),
          &ambiora::setting("bass-invert"), &ambiora::setting("bass-boost"), &cfg_virtual_centre, &ambiora::setting("master-gain")})
        EXPECT_EQ(*s, 0);
}

TEST_F(settings, the_stream_holds_one_record_per_setting_newest_first) {
    const bytes stream = host().save_settings();
    ASSERT_EQ(stream.size(), 19u * 24u);
    const auto table = setting_table;
    for (int i = 0; i < 19; ++i) {
        const unsigned char* r = stream.data() + 24 * i;
        const setting_row& s = table[18 - i];  // the list runs from the last built to the first
        EXPECT_EQ(std::memcmp(r, &s.value().guid(), 16), 0) << s.name;
        EXPECT_EQ(bytes(r + 16, r + 20), le32(4));
        EXPECT_EQ(bytes(r + 20, r + 24), le32(s.default_value)) << s.name;
    }
    // The GUID's first field is stored little-endian, as it lies in memory.
    EXPECT_EQ(bytes(stream.end() - 24, stream.end() - 20), (bytes{0xe7, 0x41, 0xac, 0x41}));
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

TEST_F(settings, records_match_by_guid_in_any_order_unknown_ones_are_skipped_and_any_value_loads) {
    const GUID stranger = {0x01020304, 0x0506, 0x0708, {1, 2, 3, 4, 5, 6, 7, 8}};
    const bytes stream =
        record(stranger, 9, bytes(9, 0xee)) + record(ambiora::setting("master-gain").guid(), 4, le32(-7)) +
        record(ambiora::setting("surround-delay").guid(), 4, le32(100000)) + record(cfg_mode.guid(), 4, le32(-3));
    EXPECT_TRUE(host().load_settings(stream));
    EXPECT_EQ(ambiora::setting("master-gain"), -7);
    EXPECT_EQ(ambiora::setting("surround-delay"), 100000);  // out of range values load as they stand
    EXPECT_EQ(cfg_mode, -3);
}

TEST_F(settings, long_payloads_give_their_first_four_bytes_and_short_ones_change_nothing) {
    const bytes stream = record(ambiora::setting("centre-trim").guid(), 7, le32(-5) + bytes{9, 9, 9}) +
                         record(ambiora::setting("surround-trim").guid(), 2, bytes{3, 0}) +
                         record(ambiora::setting("bass-trim").guid(), 0, {}) +
                         record(ambiora::setting("surround-delay").guid(), 4, le32(55));
    EXPECT_TRUE(host().load_settings(stream));
    EXPECT_EQ(ambiora::setting("centre-trim"), -5);
    EXPECT_EQ(ambiora::setting("surround-trim"), 0);
    EXPECT_EQ(ambiora::setting("bass-trim"), 0);
    EXPECT_EQ(ambiora::setting("surround-delay"), 55);
}

TEST_F(settings, a_stream_ending_in_a_header_ends_quietly_and_one_ending_in_a_payload_is_reported) {
    const bytes good = record(cfg_mode.guid(), 4, le32(1));
    const bytes next = record(ambiora::setting("surround-delay").guid(), 4, le32(77));
    for (std::size_t cut = 0; cut < 24; ++cut) {
        restore_default_settings();
        EXPECT_EQ(host().load_settings(good + bytes(next.begin(), next.begin() + cut)), cut < 20)
            << "cut at " << cut;
        EXPECT_EQ(cfg_mode, 1) << "what was loaded before stays loaded";
        EXPECT_EQ(ambiora::setting("surround-delay"), 20);
    }
    const GUID stranger = {7, 7, 7, {7, 7, 7, 7, 7, 7, 7, 7}};
    EXPECT_FALSE(host().load_settings(good + record(stranger, 100, bytes(10, 0))));
}

}  // namespace
}  // namespace ambiora_test
