// The built-in response set as the renderer reads it, table 10 x bank + 2 x speaker + ear: what the
// renderer relies on, not the bits (tools/hrir/generate_hrir_tables.py --check compares those).
#include <span>

#include "engine_test_support.h"

namespace ambiora::engine_test {
namespace {

std::span<const float> table(unsigned bank, unsigned speaker, unsigned ear) {
    return {builtin_hrir_tables() + (10 * bank + 2 * speaker + ear) * hrir_length, hrir_length};
}

// First sample above a tenth of the peak magnitude.
std::size_t onset(std::span<const float> h) {
    float peak = 0.0f;
    for (const float v : h) peak = std::max(peak, std::fabs(v));
    std::size_t n = 0;
    while (std::fabs(h[n]) <= 0.1f * peak) ++n;
    return n;
}

// Each side speaker reaches its near ear first (a front one 10 frames before the far ear, a
// surround one 21 or 22) and the centre both ears alike; every table sums (the level of low notes)
// to 0.725 - 0.750 and sounds to its last sample, where the five speakers of an ear share one
// diffuse tail; the second bank is the livelier room.
TEST(HrirTables, EarsSpeakersLevelsAndRoomsAreWhereTheRendererTakesThem) {
    const std::size_t shared_tail_from[2][ear_count] = {{6264, 5492}, {5462, 5018}};
    double late[2] = {0, 0};
    for (unsigned bank = 0; bank < 2; ++bank) {
        SCOPED_TRACE(testing::Message() << "bank " << bank);
        for (const unsigned speaker : {speaker_l, speaker_r, speaker_sl, speaker_sr}) {
            const unsigned near = speaker == speaker_l || speaker == speaker_sl ? 0 : 1;
            const std::size_t lag = onset(table(bank, speaker, 1 - near));
            EXPECT_EQ(onset(table(bank, speaker, near)), 0u) << speaker;
            EXPECT_TRUE(speaker < speaker_c ? lag == 10 : lag == 21 || lag == 22)
                << speaker << ": " << lag;
        }
        for (std::size_t n = 0; n < 256; ++n)
            ASSERT_NEAR(table(bank, speaker_c, 0)[n], table(bank, speaker_c, 1)[n], 0.002) << n;
        for (unsigned speaker = 0; speaker < speaker_count; ++speaker) {
            for (unsigned ear = 0; ear < ear_count; ++ear) {
                const std::span<const float> h = table(bank, speaker, ear);
                double sum = 0;
                for (std::size_t n = 0; n < hrir_length; ++n) {
                    sum += h[n];
                    if (n >= hrir_length / 2) late[bank] += double(h[n]) * h[n];
                }
                EXPECT_TRUE(sum >= 0.725 && sum <= 0.750) << speaker << ", " << ear << ": " << sum;
                EXPECT_NE(h[hrir_length - 1], 0.0f);
                const std::size_t from = shared_tail_from[bank][ear];
                EXPECT_TRUE(
                    std::equal(h.begin() + from, h.end(), table(bank, 0, ear).begin() + from));
            }
        }
    }
    EXPECT_GT(late[1], 2.5 * late[0]);
}

}  // namespace
}  // namespace ambiora::engine_test
