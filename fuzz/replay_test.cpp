// Replays, through the fuzz targets' own harness, the committed seed corpus and every input that
// once made a target fail (fuzz/regressions/<target>/). The harness aborts on a broken check, so
// a regression shows as a crash of this test, under every build and sanitizer the suites run in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_harness.h"

namespace {

namespace fs = std::filesystem;

using harness = void (*)(const std::uint8_t*, std::size_t);

// Runs every file under fuzz/<folder>/<target>/; returns how many there were.
std::size_t replay(const char* folder, const char* target, harness run) {
    const fs::path dir = fs::path(AMBIORA_FUZZ_DIR) / folder / target;
    if (!fs::exists(dir)) return 0;
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
        SCOPED_TRACE(entry.path().string());
        run(bytes.data(), bytes.size());
        ++count;
    }
    return count;
}

TEST(fuzz_replay, settings_stream_corpus_and_regressions) {
    EXPECT_GT(replay("corpus", "settings_stream_fuzzer", ambiora_fuzz::load_settings_stream), 0u);
    replay("regressions", "settings_stream_fuzzer", ambiora_fuzz::load_settings_stream);
}

TEST(fuzz_replay, chunk_path_corpus_and_regressions) {
    EXPECT_GT(replay("corpus", "chunk_path_fuzzer", ambiora_fuzz::play_chunk_script), 0u);
    replay("regressions", "chunk_path_fuzzer", ambiora_fuzz::play_chunk_script);
}

}  // namespace
