// Smoke run of a built component: load it through its export as the player does, list its
// services, then push a few chunks through a DSP instance in Bypass, a matrix decoder and a
// headphone mode, and unload. Prints one line per step and exits non-zero on the first failure.
//
// Meant for the x86 DLL under emulation, where each step is slow; it keeps the work small.
//
// usage: smoke_component [path of the DLL, default ./foo_dsp_ambiora.dll]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "component_host.h"

namespace {

// Key of the processing-mode setting in the component's stored settings.
constexpr GUID mode_setting_guid = {
    0x41ac41e7, 0x7c3a, 0x467d, {0xb7, 0xf2, 0x8b, 0x5c, 0xc1, 0x3c, 0x03, 0x06}};

struct mode_case {
    int mode;
    const char* name;
    unsigned expected_channels;
};

constexpr mode_case modes[] = {
    {0, "Bypass", 2},
    {3, "Ambiora-ASr", 6},
    {5, "Ambiora Headphone", 2},
};

constexpr unsigned rate = 44100;
constexpr std::size_t frames_per_chunk = 4096;
constexpr int chunks_per_mode = 4;

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Rewrites the mode record of a stored settings stream (GUID | u32 length | payload records).
bool set_mode_in_stream(std::vector<unsigned char>& stream, int mode) {
    std::size_t at = 0;
    while (at + 20 <= stream.size()) {
        std::uint32_t length = 0;
        for (int i = 0; i < 4; ++i) length |= std::uint32_t(stream[at + 16 + i]) << (8 * i);
        if (std::memcmp(&stream[at], &mode_setting_guid, 16) == 0 && length == 4 &&
            at + 24 <= stream.size()) {
            for (int i = 0; i < 4; ++i)
                stream[at + 20 + i] = std::uint8_t(unsigned(mode) >> (8 * i));
            return true;
        }
        at += 20 + length;
    }
    return false;
}

// A 440 Hz tone in the left channel and 1 kHz in the right, interleaved.
std::vector<audio_sample> stereo_tone(std::size_t first_frame) {
    std::vector<audio_sample> samples(2 * frames_per_chunk);
    for (std::size_t i = 0; i < frames_per_chunk; ++i) {
        const double t = double(first_frame + i) / rate;
        samples[2 * i] = audio_sample(0.5 * std::sin(2 * M_PI * 440 * t));
        samples[2 * i + 1] = audio_sample(0.5 * std::sin(2 * M_PI * 1000 * t));
    }
    return samples;
}

bool run_mode(host_sim::component_host& host, const mode_case& m) {
    const auto started = std::chrono::steady_clock::now();
    auto stream = host.save_settings();
    if (!set_mode_in_stream(stream, m.mode) || !host.load_settings(stream)) {
        std::printf("smoke: FAIL could not select mode %d\n", m.mode);
        return false;
    }
    auto instance = host.instantiate_default();
    if (!instance) {
        std::printf("smoke: FAIL no instance for %s\n", m.name);
        return false;
    }
    std::size_t frames_out = 0;
    unsigned channels_out = 0;
    double energy = 0;
    bool finite = true;
    for (int c = 0; c < chunks_per_mode; ++c) {
        for (const auto& chunk :
             host_sim::run_chunk(*instance, stereo_tone(c * frames_per_chunk), 2, rate)) {
            channels_out = chunk.get_channels();
            frames_out += chunk.get_sample_count();
            for (audio_sample s : chunk.samples()) {
                finite = finite && std::isfinite(s);
                energy += double(s) * double(s);
            }
        }
    }
    const double rms =
        frames_out && channels_out ? std::sqrt(energy / double(frames_out * channels_out)) : 0.0;
    std::printf("smoke: %-18s %d chunks in -> %zu frames out, %u channels, rms %.4f, %.1f s\n",
                m.name, chunks_per_mode, frames_out, channels_out, rms, seconds_since(started));
    if (!finite || channels_out != m.expected_channels || frames_out == 0 || rms <= 0.0) {
        std::printf("smoke: FAIL %s: expected %u channels of finite, non-silent sound\n", m.name,
                    m.expected_channels);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "./foo_dsp_ambiora.dll";
    std::printf("smoke: %zu-bit host, audio_sample is %zu bytes\n", sizeof(void*) * 8,
                sizeof(audio_sample));
    std::fflush(stdout);
    const auto started = std::chrono::steady_clock::now();
    std::string error;
    auto host = host_sim::component_host::load(path, error);
    if (!host) {
        std::printf("smoke: FAIL loading %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    host->start();
    std::printf("smoke: loaded %s through foobar2000_get_interface: %zu services, %.1f s\n",
                path.c_str(), host->factories().size(), seconds_since(started));
    if (auto version = host->create<componentversion>()) {
        host_sim::host_string name, number;
        version->get_component_name(name);
        version->get_component_version(number);
        std::printf("smoke: component \"%s\" version \"%s\"\n", name.str().c_str(),
                    number.str().c_str());
    }
    std::fflush(stdout);
    for (const auto& m : modes) {
        if (!run_mode(*host, m)) return 1;
        std::fflush(stdout);
    }
    host.reset();
    std::printf("smoke: unloaded, %.1f s in all\n", seconds_since(started));
    std::printf("smoke: passed\n");
    return 0;
}
