// The headphone renderer: routing and scaling, whole blocks of 8192 frames, muted speakers, and
// what switching between and out of the headphone modes does to a stream.
#include "engine_test_support.h"

namespace ambiora::engine_test {
namespace {

using frames = std::vector<float>;  // interleaved work frames
using settings = std::function<void(block_context&)>;

constexpr unsigned block = hrir_length;
constexpr unsigned feed_slot[speaker_count] = {slot_l, slot_r, slot_c, slot_sl, slot_sr};
constexpr double path_gain = 0.708;  // 2^-13 x 16384 x 0.354: each ear is 0.708 x the convolution

const float* response(unsigned bank, unsigned speaker, unsigned ear) {
    return builtin_hrir_tables() + (10 * bank + 2 * speaker + ear) * hrir_length;
}

frames impulse(unsigned length, unsigned slot, unsigned at) {
    frames x(std::size_t(length) * frame_width, 0.0f);
    x[std::size_t(at) * frame_width + slot] = 1.0f;
    return x;
}

float peak(const frames& x) {
    float p = 0.0f;
    for (const float v : x) p = std::max(p, std::fabs(v));
    return p;
}

// One chunk of six channels at 48 kHz through the shared engine, by `run`; what comes out.
frames render(const frames& input, std::int32_t mode = mode_headphone, const settings& set = {},
              const stage& run = render_headphone) {
    test_block chunk(unsigned(input.size() / frame_width), 48000, mode);
    std::copy(input.begin(), input.end(), chunk.work.data);
    chunk.ctx.input_channels = 6;
    if (set) set(chunk.ctx);
    run(built_engine(), chunk.ctx);
    return chunk.samples();
}

// Expects one block with 0.708 x expected(frame, ear) in the ears and nothing in the other slots.
void expect_ears(const frames& out, const std::function<double(unsigned, unsigned)>& expected) {
    ASSERT_EQ(out.size(), std::size_t(block) * frame_width);
    for (unsigned m = 0; m < out.size() / frame_width; ++m)
        for (unsigned slot = 0; slot < frame_width; ++slot)
            ASSERT_NEAR(out[m * frame_width + slot],
                        slot < ear_count ? path_gain * expected(m, slot) : 0.0, 2e-6)
                << "frame " << m << ", slot " << slot;
}

TEST(HeadphoneRender, AnImpulseInEachSpeakerGivesItsPairOfResponsesAndTheLfeNothing) {
    for (const std::int32_t mode : {mode_headphone, mode_headphone_movie}) {
        const unsigned bank = mode == mode_headphone ? 0 : 1;
        for (unsigned k = 0; k < speaker_count; ++k) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << ", speaker " << k);
            reset_engine(built_engine());
            expect_ears(render(impulse(block, feed_slot[k], 0), mode),
                        [&](unsigned m, unsigned e) { return response(bank, k, e)[m]; });
            // The response fits the block, so the tail it leaves is silence.
            EXPECT_LT(peak(render(frames(block * frame_width, 0.0f), mode)), 2e-6f);
        }
        EXPECT_EQ(peak(render(impulse(block, slot_lfe, 0), mode)), 0.0f);
    }
}

TEST(HeadphoneRender, ReleasesOnlyWholeBlocksAndHoldsTheRest) {
    reset_engine(built_engine());
    for (unsigned i = 0; i < 81; ++i) ASSERT_TRUE(render(noise(100 * frame_width, i)).empty());
    EXPECT_EQ(built_engine().headphone.feed_fill, 8100u);
    EXPECT_EQ(render(noise(100 * frame_width, 81)).size(), std::size_t(block) * frame_width);
    EXPECT_EQ(built_engine().headphone.feed_fill, 8u);
    EXPECT_EQ(render(noise(20000 * frame_width, 82)).size(), std::size_t(2 * block) * frame_width);
    EXPECT_EQ(built_engine().headphone.feed_fill, 8u + 20000 - 2 * block);
}

TEST(HeadphoneRender, AMutedSpeakerDropsItsFeedFromBothEarsAndNoSwitchRaisesIt) {
    const frames input = noise(block * frame_width, 5);
    reset_engine(built_engine());
    const frames all_sounding = render(input, mode_headphone_movie);
    for (unsigned k = 0; k < speaker_count; ++k) {
        SCOPED_TRACE(testing::Message() << "speaker " << k);
        frames without = input;
        for (std::size_t i = feed_slot[k]; i < without.size(); i += frame_width) without[i] = 0;
        reset_engine(built_engine());
        const frames muted =
            render(input, mode_headphone_movie, [k](block_context& c) { c.speaker_on[k] = 0; });
        reset_engine(built_engine());
        const frames reference = render(without, mode_headphone_movie);
        for (std::size_t i = 0; i < reference.size(); ++i)
            ASSERT_NEAR(muted.at(i), reference[i], 1e-6f) << i;
        reset_engine(built_engine());  // a damaged stored switch of 3 is simply on
        EXPECT_EQ(
            render(input, mode_headphone_movie, [k](block_context& c) { c.speaker_on[k] = 3; }),
            all_sounding);
    }
}

TEST(HeadphoneRender, SwitchingBetweenTheHeadphoneModesKeepsHeldFramesAndTail) {
    // In mode 5: an impulse in L half-way through the first block, whose response runs on into
    // the tail, and a second impulse 100 frames into the next block, which is held.
    reset_engine(built_engine());
    frames input = impulse(block + block / 2, slot_l, block / 2);
    input[std::size_t(block + 100) * frame_width + slot_l] = 1.0f;
    expect_ears(render(input, mode_headphone), [](unsigned m, unsigned e) {
        return m >= block / 2 ? response(0, speaker_l, e)[m - block / 2] : 0.0;
    });

    // In mode 6 the block completes: the rest of the bank 0 response from the tail, plus the
    // held impulse through bank 1.
    const frames second = render(frames(block / 2 * frame_width, 0.0f), mode_headphone_movie);
    expect_ears(second, [](unsigned m, unsigned e) {
        return (m >= 100 ? response(1, speaker_l, e)[m - 100] : 0.0) +
               (m < block / 2 ? response(0, speaker_l, e)[block / 2 + m] : 0.0);
    });
}

// The rendering is calibrated without the loudspeaker settings: a stereo source, decoded for the
// renderer, comes out the same with centre width, trims, bass redirection and virtual centre set.
TEST(HeadphoneRender, TheLoudspeakerSettingsChangeNothing) {
    const frames input = noise(block * frame_width, 12);
    reset_engine(built_engine());
    const frames plain = render(
        input, mode_headphone, [](block_context& c) { c.input_channels = 2; }, process_block);
    reset_engine(built_engine());
    const settings set = [](block_context& c) {
        c.input_channels = 2;
        c.centre_width_pct = c.bass_redirect_hz = 100;
        c.centre_trim_db = c.surround_trim_db = 6;
        c.bass_redirect_on = c.virtual_centre = 1;
    };
    EXPECT_EQ(plain.size(), std::size_t(block) * frame_width);
    EXPECT_EQ(render(input, mode_headphone, set, process_block), plain);
}

// The silence owed for the frames held when leaving is the chunk path's to check; here, coming
// back later, the first block carries no echo of the earlier passage.
TEST(HeadphoneRender, LeavingTheHeadphoneModesForgetsTheTail) {
    reset_engine(built_engine());
    const frames probe = impulse(block, slot_r, 0);
    const frames fresh = render(probe, mode_headphone, {}, process_block);
    reset_engine(built_engine());
    render(noise((block + 5000) * frame_width, 10), mode_headphone, {}, process_block);
    render(noise(100 * frame_width, 11), mode_bypass, {}, process_block);
    EXPECT_EQ(render(probe, mode_headphone, {}, process_block), fresh);
}

}  // namespace
}  // namespace ambiora::engine_test
