// The transform wisdom cache: whatever state the cache is in, loading never breaks anything, a
// file is taken only when it is this machine's own and whole, and measured plans land in it.
#include "headphone/transform_wisdom.h"

#include <fftw3.h>
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <cstdlib>
#include <iterator>
#include <fstream>
#include <string>
#include <vector>

namespace ambiora {
namespace {

namespace fs = std::filesystem;

// Measures a small transform of `points`, so that FFTW has fresh wisdom to save.
void measure(int points) {
    std::vector<float> data(std::size_t(points) + 2);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(
        points, data.data(), reinterpret_cast<fftwf_complex*>(data.data()), FFTW_MEASURE);
    fftwf_destroy_plan(plan);
}

#if !defined(_WIN32)
std::string wisdom_text() {
    char* text = fftwf_export_wisdom_to_string();
    std::string copy(text);
    std::free(text);
    return copy;
}

void write_file(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

TEST(TransformWisdom, FallsBackToMeasuringUnlessTheCacheHoldsThisMachinesWisdom) {
    const fs::path root = fs::temp_directory_path() / ("wisdom-test-" + std::to_string(getpid()));
    fs::remove_all(root);
    write_file(root / "a-file", "");
    const char* own_cache = std::getenv("XDG_CACHE_HOME");
    const std::string restore = own_cache != nullptr ? own_cache : "";
    fftwf_forget_wisdom();
    const std::string none = wisdom_text();
    measure(40);
    const std::string valid = wisdom_text();

    enum key_line { no_file, own_key, foreign_key };
    struct row {
        const char* state;
        const char* cache_home;  // under root
        key_line key;
        const char* body;  // null: `valid`
        bool loads, saves;
    } const rows[] = {
        {"missing", "missing", no_file, "", false, true},
        {"damaged", "damaged", own_key, "(fftw-3.3.10 fftwf_wisdom #x1 #x2", false, true},
        {"empty", "empty", own_key, "", false, true},
        {"foreign", "foreign", foreign_key, nullptr, false, true},
        {"unwritable", "a-file", no_file, "", false, false},
        {"warm", "warm", own_key, nullptr, true, true},
    };
    int points = 48;
    for (const row& r : rows) {
        SCOPED_TRACE(r.state);
        ::setenv("XDG_CACHE_HOME", (root / r.cache_home).c_str(), 1);
        const fs::path file = transform_wisdom_file();
        ASSERT_EQ(file.parent_path(), root / r.cache_home / "ambiora");
        if (r.key != no_file) {
            write_file(file, (r.key == own_key ? file.stem().string() : "fftw-0-float-sse2") +
                                 "\n" + (r.body != nullptr ? r.body : valid));
        }
        fftwf_forget_wisdom();
        EXPECT_EQ(load_transform_wisdom(), r.loads);
        // A failed load leaves FFTW without wisdom.
        EXPECT_EQ(wisdom_text() != none, r.loads);
        measure(points += 8);
        EXPECT_EQ(save_transform_wisdom(), r.saves);
        // What was saved is whole, and alone in its folder: the next process takes it.
        fftwf_forget_wisdom();
        EXPECT_EQ(load_transform_wisdom(), r.saves);
        if (r.saves) {
            EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1);
        }
    }
    if (own_cache != nullptr) {
        ::setenv("XDG_CACHE_HOME", restore.c_str(), 1);
    } else {
        ::unsetenv("XDG_CACHE_HOME");
    }
    fftwf_forget_wisdom();
    fs::remove_all(root);
}
#else
TEST(TransformWisdom, IsKeptInTheLocalApplicationDataFolder) {
    const fs::path file = transform_wisdom_file();
    EXPECT_EQ(file.parent_path().filename(), "ambiora");
    measure(56);
    ASSERT_TRUE(save_transform_wisdom());
    fftwf_forget_wisdom();
    EXPECT_TRUE(load_transform_wisdom());
}
#endif

}  // namespace
}  // namespace ambiora
