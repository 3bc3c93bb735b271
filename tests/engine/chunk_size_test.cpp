// Every stage that carries state from block to block gives the same samples whether a stream comes
// in one block or cut into chunks of 1, 7 or 4096 frames: the host decides the chunk size, and it
// must never be heard.
#include "engine_test_support.h"

namespace ambiora::engine_test {
namespace {

const struct {
    const char* name;
    std::int32_t mode;
    void (*run)(surround_engine&, block_context&);
    // The steered decoder's smoothers round their feedback to float only between blocks, so chunk
    // boundaries move its output by up to about 1e-5 (with one-frame chunks).
    float tolerance;
} stages[] = {
    {"passive decoder, surround low-pass and delay", mode_plus_c, decode_passive, 0.0f},
    {"steered decoder, one surround", mode_as, decode_steered, 5e-5f},
    {"steered decoder, two surrounds", mode_asr, decode_steered, 5e-5f},
    {"bass redirection", mode_as2, redirect_bass, 0.0f},
    {"mono encoder", mode_encode, encode_mono_surround, 0.0f},
    {"stereo encoder", mode_encode2, encode_stereo_surround, 0.0f},
    {"headphone renderer", mode_headphone_movie, render_headphone, 0.0f},
};

TEST(ChunkSize, ChunksOf1_7And4096FramesGiveWhatOneBlockGives) {
    surround_engine& engine = built_engine();
    for (const auto& s : stages) {
        SCOPED_TRACE(s.name);
        test_block source(17000, 48000, s.mode);  // two headphone blocks and part of a third
        fill_busy(source, 20);
        reset_engine(engine);
        const std::vector<float> whole = run_in_chunks(engine, source, 17000, s.run);
        for (const unsigned chunk : {1u, 7u, 4096u}) {
            reset_engine(engine);
            const std::vector<float> cut = run_in_chunks(engine, source, chunk, s.run);
            ASSERT_EQ(cut.size(), whole.size()) << chunk;
            float worst = 0.0f;
            for (std::size_t i = 0; i < cut.size(); ++i)
                worst = std::max(worst, std::fabs(cut[i] - whole[i]));
            EXPECT_LE(worst, s.tolerance) << chunk << "-frame chunks";
        }
    }
}

}  // namespace
}  // namespace ambiora::engine_test
