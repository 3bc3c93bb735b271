// Running the real `ambiora` binary and looking at what it wrote: a scratch folder per test and
// sound files in and out through libsndfile.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <vector>

namespace cli_test {

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
inline void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Whether `text` holds `part`, showing the text when not.
inline testing::AssertionResult contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

struct run_result {
    int exit_code = -1;
    std::string out, err;
};

// Runs ambiora with `arguments`, `environment` ("NAME=value ...") added to ours, through the shell
// (each argument in single quotes: none of ours holds one). The component's transform planning is
// bounded so that each run starts quickly.
inline run_result run_ambiora(const std::vector<std::string>& arguments,
                              const std::string& environment = "") {
    static std::atomic<int> runs{0};
    const std::string capture =
        "/tmp/ambiora-cli-" + std::to_string(::getpid()) + "-" + std::to_string(runs++);
    std::string command = "AMBIORA_PLAN_SECONDS=0.01 " + environment + " '" AMBIORA_BINARY "'";
    for (const std::string& a : arguments) command += " '" + a + "'";
    const int status =
        std::system((command + " </dev/null >" + capture + ".out 2>" + capture + ".err").c_str());
    run_result r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(capture + ".out"),
                 read_file(capture + ".err")};
    for (const char* stream : {".out", ".err"}) std::filesystem::remove(capture + stream);
    return r;
}

// Several runs at once, four at a time (each is mostly start-up), results in the order of `calls`.
inline std::vector<run_result> run_ambiora_each(
    const std::vector<std::vector<std::string>>& calls) {
    std::vector<run_result> results;
    for (std::size_t first = 0; first < calls.size(); first += 4) {
        std::vector<std::future<run_result>> batch;
        for (std::size_t i = first; i < std::min(first + 4, calls.size()); ++i)
            batch.push_back(std::async(std::launch::async, run_ambiora, calls[i], ""));
        for (auto& r : batch) results.push_back(r.get());
    }
    return results;
}

struct sound {
    std::vector<float> samples;  // interleaved
    int channels = 0;
    int rate = 0;
    int format = 0;  // libsndfile's SF_FORMAT_* of the file read
    std::size_t frames() const { return channels ? samples.size() / std::size_t(channels) : 0; }
};

inline void write_sound(const std::string& path, const sound& s) {
    SF_INFO info{0, s.rate, s.channels, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    sf_writef_float(f, s.samples.data(), sf_count_t(s.frames()));
    sf_close(f);
}

inline sound read_sound(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(f, nullptr) << path << ": " << sf_strerror(nullptr);
    if (f == nullptr) return {};
    sound s{std::vector<float>(std::size_t(info.frames * info.channels)), info.channels,
            info.samplerate, info.format};
    sf_readf_float(f, s.samples.data(), info.frames);
    sf_close(f);
    return s;
}

// `channels` channels at 48 kHz, each with its own tone, so that every output channel of every
// mode carries sound.
inline sound tones(int channels, double seconds = 0.25) {
    sound s{std::vector<float>(std::size_t(seconds * 48000) * channels), channels, 48000};
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double hz = 200.0 + 150.0 * double(i % channels), t = double(i / channels) / 48000;
        s.samples[i] = float(0.2 * std::sin(2 * M_PI * hz * t));
    }
    return s;
}

// Of every `step`th sample from `first` on: one channel of interleaved samples.
inline double rms(const std::vector<float>& x, std::size_t step = 1, std::size_t first = 0) {
    double energy = 0.0;
    for (std::size_t i = first; i < x.size(); i += step) energy += double(x[i]) * x[i];
    return x.empty() ? 0.0 : std::sqrt(energy * double(step) / double(x.size()));
}

// Every test gets a fresh scratch folder, removed afterwards.
class cli_test : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(::mkdtemp(dir_.data()), nullptr); }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // `ambiora render IN OUT options...` for each option list, several at once, each into a fresh
    // OUT; expects success and nothing on stdout, and returns what each wrote.
    std::vector<sound> render_each(const std::string& in,
                                   const std::vector<std::vector<std::string>>& option_lists) {
        std::vector<std::vector<std::string>> calls;
        for (const auto& options : option_lists) {
            calls.push_back({"render", in, path("out" + std::to_string(renders_++) + ".wav")});
            calls.back().insert(calls.back().end(), options.begin(), options.end());
        }
        const std::vector<run_result> results = run_ambiora_each(calls);
        std::vector<sound> sounds;
        for (std::size_t i = 0; i < calls.size(); ++i) {
            EXPECT_EQ(results[i].exit_code, 0) << results[i].err;
            EXPECT_EQ(results[i].out, "") << "stdout carries results only";
            sounds.push_back(read_sound(calls[i][2]));
        }
        return sounds;
    }

    std::string dir_ = "/tmp/ambiora-cli-test-XXXXXX";
    int renders_ = 0;
};

}  // namespace cli_test
