// Running the real `ambiora` binary and looking at what it wrote: a scratch folder per test,
// sound files in and out through libsndfile, and the chunk log read back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace cli_test {

struct run_result {
    int exit_code = -1;
    std::string out, err;
};

// Runs ambiora with `arguments`, `environment` ("NAME=value ...") added to ours. The component's
// transform planning is bounded (AMBIORA_PLAN_SECONDS) so that each run starts quickly.
run_result run_ambiora(const std::vector<std::string>& arguments,
                       const std::string& environment = "");
// Several runs at once (each is mostly start-up), results in the order of `calls`.
std::vector<run_result> run_ambiora_each(const std::vector<std::vector<std::string>>& calls);

struct sound {
    std::vector<float> samples;  // interleaved
    int channels = 0;
    int rate = 0;
    int format = 0;  // libsndfile's SF_FORMAT_* of the file read

    std::size_t frames() const { return channels ? samples.size() / std::size_t(channels) : 0; }
    float at(std::size_t frame, int c) const { return samples[frame * channels + c]; }
    std::vector<float> channel(int c) const;
};

void write_sound(const std::string& path, const sound& s, int format = 0);
sound read_sound(const std::string& path);

// `seconds` of stereo at `rate`, silent for its first 0.1 s, then a centred 300 Hz tone, an
// anti-phase band of noise (what the decoders steer to the surrounds), a left-only 1 kHz tone and
// a 60 Hz bass in both channels.
sound stereo_programme(double seconds = 0.5, int rate = 48000);
// `channels` channels, each with its own tone.
sound multichannel_tones(int channels, double seconds = 0.25, int rate = 48000);

struct logged_chunk {
    std::uint32_t keep, channels, frames, mask;
    std::vector<float> samples;
};
struct chunk_log {
    std::uint32_t rate = 0;
    std::vector<logged_chunk> chunks;
};
// Reads a chunk log; fails the test on a malformed one.
chunk_log read_chunk_log(const std::string& path);

std::vector<unsigned char> read_bytes(const std::string& path);
void write_bytes(const std::string& path, const std::vector<unsigned char>& bytes);
void write_text(const std::string& path, const std::string& text);
double rms(const std::vector<float>& x);

// Every test gets a fresh scratch folder, removed afterwards.
class cli_test : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    std::vector<std::string> folder_listing() const;  // hidden names included

    // `ambiora render IN OUT options...` for each option list (run several at once), each into a
    // fresh OUT ending in `extension`. Expects success and an empty stdout; returns the OUT paths,
    // and each run's stderr in `errors` if given.
    std::vector<std::string> render_each(const std::string& in,
                                         const std::vector<std::vector<std::string>>& option_lists,
                                         std::vector<std::string>* errors = nullptr,
                                         const std::string& extension = ".wav");
    sound render(const std::string& in, const std::vector<std::string>& options) {
        return read_sound(render_each(in, {options}).at(0));
    }

    std::string dir_;
    int renders_ = 0;
};

}  // namespace cli_test
