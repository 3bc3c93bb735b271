#include "cli_support.h"

#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

namespace cli_test {
namespace {

std::string read_text(const std::string& path) {
    const std::vector<unsigned char> b = read_bytes(path);
    return std::string(b.begin(), b.end());
}

// `text` as one word for the shell.
std::string quoted(const std::string& text) {
    std::string q = "'";
    for (const char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::uint32_t u32_at(const std::vector<unsigned char>& b, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);  // the log is little-endian, like this machine
    return v;
}

}  // namespace

run_result run_ambiora(const std::vector<std::string>& arguments, const std::string& environment) {
    static std::atomic<int> runs{0};
    const std::string capture =
        "/tmp/ambiora-cli-" + std::to_string(::getpid()) + "-" + std::to_string(runs++);
    std::string command = "AMBIORA_PLAN_SECONDS=0.01 " + environment + " " + quoted(AMBIORA_BINARY);
    for (const std::string& a : arguments) command += " " + quoted(a);
    command += " </dev/null >" + capture + ".out 2>" + capture + ".err";
    const int status = std::system(command.c_str());
    run_result r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_text(capture + ".out"),
                 read_text(capture + ".err")};
    std::filesystem::remove(capture + ".out");
    std::filesystem::remove(capture + ".err");
    return r;
}

std::vector<run_result> run_ambiora_each(const std::vector<std::vector<std::string>>& calls) {
    std::vector<run_result> results(calls.size());
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&] {
            for (std::size_t i; (i = next++) < calls.size();) results[i] = run_ambiora(calls[i]);
        });
    }
    for (std::thread& w : workers) w.join();
    return results;
}

std::vector<float> sound::channel(int c) const {
    std::vector<float> x(frames());
    for (std::size_t f = 0; f < x.size(); ++f) x[f] = at(f, c);
    return x;
}

void write_sound(const std::string& path, const sound& s, int format) {
    SF_INFO info{0, s.rate, s.channels, format != 0 ? format : SF_FORMAT_WAV | SF_FORMAT_FLOAT,
                 0, 0};
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    sf_writef_float(f, s.samples.data(), sf_count_t(s.frames()));
    sf_close(f);
}

sound read_sound(const std::string& path) {
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

sound stereo_programme(double seconds, int rate) {
    sound s{std::vector<float>(std::size_t(seconds * rate) * 2), 2, rate};
    std::mt19937 generator(7);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    float band = 0.0f;
    for (std::size_t n = 0; n < s.frames(); ++n) {
        const double t = double(n) / rate;
        band = 0.9f * band + 0.1f * noise(generator);  // a soft low-passed noise
        if (t < 0.1) continue;
        const double centre = 0.2 * std::sin(2 * M_PI * 300 * t);
        const double bass = 0.2 * std::sin(2 * M_PI * 60 * t);
        s.samples[2 * n] = float(centre + 0.6 * band + 0.1 * std::sin(2 * M_PI * 1000 * t) + bass);
        s.samples[2 * n + 1] = float(centre - 0.6 * band + bass);
    }
    return s;
}

sound multichannel_tones(int channels, double seconds, int rate) {
    sound s{std::vector<float>(std::size_t(seconds * rate) * channels), channels, rate};
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double hz = 200.0 + 150.0 * double(i % channels), t = double(i / channels) / rate;
        s.samples[i] = float(0.2 * std::sin(2 * M_PI * hz * t));
    }
    return s;
}

chunk_log read_chunk_log(const std::string& path) {
    const std::vector<unsigned char> b = read_bytes(path);
    chunk_log log;
    if (b.size() < 16 || std::memcmp(b.data(), "CHUNKS1\0", 8) != 0) {
        ADD_FAILURE() << path << " has no chunk log header";
        return log;
    }
    log.rate = u32_at(b, 8);
    std::size_t at = 16;
    for (std::uint32_t i = 0, count = u32_at(b, 12); i < count; ++i) {
        logged_chunk c{};
        if (at + 16 <= b.size())
            c = {u32_at(b, at), u32_at(b, at + 4), u32_at(b, at + 8), u32_at(b, at + 12), {}};
        const std::size_t floats = std::size_t(c.channels) * c.frames;
        if (at + 16 + floats * 4 > b.size()) {
            ADD_FAILURE() << path << ": chunk " << i << " cut short";
            return log;
        }
        c.samples.resize(floats);
        std::memcpy(c.samples.data(), b.data() + at + 16, floats * 4);
        at += 16 + floats * 4;
        log.chunks.push_back(std::move(c));
    }
    EXPECT_EQ(at, b.size()) << "bytes after the last chunk";
    return log;
}

std::vector<unsigned char> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void write_bytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void write_text(const std::string& path, const std::string& text) {
    write_bytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

double rms(const std::vector<float>& x) {
    double energy = 0.0;
    for (const float v : x) energy += double(v) * v;
    return x.empty() ? 0.0 : std::sqrt(energy / double(x.size()));
}

void cli_test::SetUp() {
    char name[] = "/tmp/ambiora-cli-test-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    dir_ = name;
}

void cli_test::TearDown() {
    std::filesystem::remove_all(dir_);
}

std::vector<std::string> cli_test::folder_listing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> cli_test::render_each(
    const std::string& in, const std::vector<std::vector<std::string>>& option_lists,
    std::vector<std::string>* errors, const std::string& extension) {
    std::vector<std::vector<std::string>> calls;
    std::vector<std::string> outs;
    for (const auto& options : option_lists) {
        outs.push_back(path("out" + std::to_string(renders_++) + extension));
        calls.push_back({"render", in, outs.back()});
        calls.back().insert(calls.back().end(), options.begin(), options.end());
    }
    for (const run_result& r : run_ambiora_each(calls)) {
        EXPECT_EQ(r.exit_code, 0) << r.err;
        EXPECT_EQ(r.out, "") << "stdout carries results only";
        if (errors != nullptr) errors->push_back(r.err);
    }
    return outs;
}

}  // namespace cli_test
