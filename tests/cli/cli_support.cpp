#include "cli_support.h"

#include <fcntl.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

extern char** environ;

namespace cli_test {
namespace {

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t u32_at(const std::vector<unsigned char>& b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

// One started run: the child and the files its output goes to.
struct started_run {
    pid_t child = -1;
    std::string out_name, err_name;
};

started_run start_ambiora(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment) {
    started_run run;
    char out_name[] = "/tmp/ambiora-cli-out-XXXXXX";
    char err_name[] = "/tmp/ambiora-cli-err-XXXXXX";
    const int out_fd = ::mkstemp(out_name);
    const int err_fd = ::mkstemp(err_name);
    run.out_name = out_name;
    run.err_name = err_name;

    std::vector<std::string> args = {AMBIORA_BINARY};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    env.emplace_back("AMBIORA_PLAN_SECONDS=0.01");
    env.insert(env.end(), environment.begin(), environment.end());
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err_fd, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
        run.child = child;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out_fd);
    ::close(err_fd);
    return run;
}

run_result finish_ambiora(const started_run& run) {
    run_result result;
    if (run.child > 0) {
        int status = 0;
        ::waitpid(run.child, &status, 0);
        result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    result.out = read_text(run.out_name);
    result.err = read_text(run.err_name);
    ::unlink(run.out_name.c_str());
    ::unlink(run.err_name.c_str());
    return result;
}

}  // namespace

run_result run_ambiora(const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment) {
    return finish_ambiora(start_ambiora(arguments, environment));
}

std::vector<run_result> run_ambiora_each(const std::vector<std::vector<std::string>>& calls) {
    constexpr std::size_t at_once = 4;
    std::vector<run_result> results;
    for (std::size_t first = 0; first < calls.size(); first += at_once) {
        std::vector<started_run> running;
        for (std::size_t i = first; i < std::min(calls.size(), first + at_once); ++i) {
            running.push_back(start_ambiora(calls[i], {}));
        }
        for (const started_run& run : running) results.push_back(finish_ambiora(run));
    }
    return results;
}

std::vector<float> sound::channel(int c) const {
    std::vector<float> x(frames());
    for (std::size_t f = 0; f < x.size(); ++f) x[f] = at(f, c);
    return x;
}

void write_sound(const std::string& path, const sound& s, int format) {
    SF_INFO info{};
    info.channels = s.channels;
    info.samplerate = s.rate;
    info.format = format != 0 ? format : (SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    sf_writef_float(f, s.samples.data(), sf_count_t(s.frames()));
    sf_close(f);
}

sound read_sound(const std::string& path) {
    sound s;
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(f, nullptr) << path << ": " << sf_strerror(nullptr);
    if (f == nullptr) return s;
    s.channels = info.channels;
    s.rate = info.samplerate;
    s.format = info.format;
    s.samples.resize(std::size_t(info.frames) * std::size_t(info.channels));
    sf_readf_float(f, s.samples.data(), info.frames);
    sf_close(f);
    return s;
}

sound stereo_programme(double seconds, int rate) {
    sound s{{}, 2, rate, 0};
    const std::size_t frames = std::size_t(seconds * rate);
    s.samples.resize(frames * 2);
    std::mt19937 generator(7);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    float band = 0.0f;
    for (std::size_t n = 0; n < frames; ++n) {
        const double t = double(n) / rate;
        band = 0.9f * band + 0.1f * noise(generator);  // a soft low-passed noise
        if (t < 0.1) continue;
        const double centre = 0.2 * std::sin(2 * M_PI * 300 * t);
        const double ambience = 0.6 * band;
        const double left_only = 0.1 * std::sin(2 * M_PI * 1000 * t);
        const double bass = 0.2 * std::sin(2 * M_PI * 60 * t);
        s.samples[2 * n] = float(centre + ambience + left_only + bass);
        s.samples[2 * n + 1] = float(centre - ambience + bass);
    }
    return s;
}

sound multichannel_tones(int channels, double seconds, int rate) {
    sound s{{}, channels, rate, 0};
    const std::size_t frames = std::size_t(seconds * rate);
    s.samples.resize(frames * std::size_t(channels));
    for (std::size_t n = 0; n < frames; ++n) {
        for (int c = 0; c < channels; ++c) {
            s.samples[n * std::size_t(channels) + std::size_t(c)] =
                float(0.2 * std::sin(2 * M_PI * (200.0 + 150.0 * c) * double(n) / rate));
        }
    }
    return s;
}

chunk_log read_chunk_log(const std::string& path) {
    const std::vector<unsigned char> b = read_bytes(path);
    chunk_log log;
    EXPECT_GE(b.size(), 16u);
    if (b.size() < 16) return log;
    EXPECT_EQ(std::memcmp(b.data(), "CHUNKS1\0", 8), 0);
    log.rate = u32_at(b, 8);
    const std::uint32_t count = u32_at(b, 12);
    std::size_t at = 16;
    for (std::uint32_t i = 0; i < count; ++i) {
        EXPECT_LE(at + 16, b.size()) << "chunk " << i << " header cut short";
        if (at + 16 > b.size()) return log;
        logged_chunk c{u32_at(b, at), u32_at(b, at + 4), u32_at(b, at + 8), u32_at(b, at + 12), {}};
        at += 16;
        const std::size_t floats = std::size_t(c.channels) * c.frames;
        EXPECT_LE(at + floats * 4, b.size()) << "chunk " << i << " data cut short";
        if (at + floats * 4 > b.size()) return log;
        c.samples.resize(floats);
        if (floats != 0) std::memcpy(c.samples.data(), b.data() + at, floats * 4);
        at += floats * 4;
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
    std::ofstream(path, std::ios::binary) << text;
}

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
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
    const std::vector<run_result> results = run_ambiora_each(calls);
    for (const run_result& r : results) {
        EXPECT_EQ(r.exit_code, 0) << r.err;
        EXPECT_EQ(r.out, "") << "stdout carries results only";
        if (errors != nullptr) errors->push_back(r.err);
    }
    return outs;
}

std::string cli_test::render_file(const std::string& in, const std::vector<std::string>& options,
                                  std::string* error, const std::string& extension) {
    std::vector<std::string> errors;
    const std::string out = render_each(in, {options}, &errors, extension).at(0);
    if (error != nullptr) *error = errors.at(0);
    return out;
}

std::vector<std::string> cli_test::folder_listing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace cli_test
