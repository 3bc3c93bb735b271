#include "fuzz_harness.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "component_host.h"
#include "settings.h"

namespace ambiora_fuzz {
namespace {

host_sim::component_host& the_host() {
    static std::unique_ptr<host_sim::component_host> host = [] {
        std::string error;
        auto h = host_sim::component_host::attach(&foobar2000_get_interface, error);
        if (!h) std::abort();
        h->start();
        return h;
    }();
    return *host;
}

void require(bool condition) {
    if (!condition) std::abort();
}

// Reads the input front to back; past its end every read gives zero.
class input_reader {
  public:
    input_reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool done() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint32_t u16() { return std::uint32_t(byte()) | std::uint32_t(byte()) << 8; }
    std::uint32_t u32() { return u16() | u16() << 16; }
    float raw_float() {
        const std::uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Rates a player might send, and some it never should.
constexpr unsigned rate_table[] = {44100,  48000,  8000, 11025, 22050, 32000, 88200, 96000,
                                   192000, 384000, 0,    1,     7,     43999, 48001, 1000000};

constexpr unsigned longest_chunk = 17000;        // frames; beyond two headphone blocks
constexpr std::size_t frames_per_input = 30000;  // keeps one input fast
constexpr int actions_per_input = 48;

bool settings_in_range() {
    return std::all_of(std::begin(ambiora::setting_table), std::end(ambiora::setting_table),
                       [](const ambiora::setting_row& s) {
                           return s.value() >= s.min_value && s.value() <= s.max_value;
                       });
}

// A chunk of `frames` x `channels` samples in one of a few characters.
std::vector<audio_sample> make_samples(input_reader& in, unsigned frames, unsigned channels) {
    std::vector<audio_sample> s(std::size_t(frames) * channels);
    switch (in.byte() % 4) {
        case 0: {  // a tone per channel at a level from the input
            const float level = float(in.byte()) / 255.0f;
            for (std::size_t i = 0; i < s.size(); ++i)
                s[i] = audio_sample(level * std::sin(0.013 * double(i) * (1 + i % 7)));
            break;
        }
        case 1:  // the input's own bytes as floats (NaN, infinities, denormals, anything)
            for (auto& v : s) v = in.raw_float();
            break;
        case 2: {  // one value everywhere
            const float v = in.raw_float();
            for (auto& x : s) x = v;
            break;
        }
        default:  // silence
            break;
    }
    return s;
}

bool all_finite(const std::vector<audio_sample>& s) {
    return std::all_of(s.begin(), s.end(), [](audio_sample v) { return std::isfinite(v); });
}

// Samples up to 120 dB above full scale: no in-range setting can take those to infinity within
// the chunk. Beyond that a chunk may spoil itself (the convolution overflows near 1e29), though
// never the chunks after it.
bool all_plausible(const std::vector<audio_sample>& s) {
    return std::all_of(s.begin(), s.end(), [](audio_sample v) { return std::fabs(v) <= 1e6; });
}

// The host's default mask for each channel count that has one.
bool known_layout(unsigned channels, unsigned mask) {
    constexpr unsigned masks[] = {0, 0x4, 0x3, 0, 0x33, 0x3b, 0x3f};
    return channels < std::size(masks) && masks[channels] != 0 && masks[channels] == mask;
}

void run_chunks(host_sim::component_host&, dsp& instance, input_reader& in,
                std::size_t& frames_left) {
    const unsigned count = 1 + in.byte() % 3;
    std::vector<host_sim::host_chunk> chunks;
    bool inputs_plausible = true;
    for (unsigned k = 0; k < count; ++k) {
        const unsigned channels = in.byte() % 9;
        const std::uint8_t rate_pick = in.byte();
        const unsigned rate =
            rate_pick < 240 ? rate_table[rate_pick % std::size(rate_table)] : in.u32();
        unsigned frames = in.u16() % (longest_chunk + 1);
        if (frames > frames_left) frames = unsigned(frames_left);
        frames_left -= frames;
        auto samples = make_samples(in, frames, channels);
        inputs_plausible = inputs_plausible && all_plausible(samples);
        chunks.emplace_back(std::move(samples), channels, rate);
    }
    const int flags = in.byte() % 3;  // none, end of track, flush
    const bool expect_finite = inputs_plausible && settings_in_range();
    for (const host_sim::host_chunk& out :
         host_sim::run_chunks(instance, std::move(chunks), flags)) {
        const unsigned channels = out.get_channels();
        // A layout the host has no mask for comes back as an empty chunk.
        const bool emptied = channels == 0 && out.get_sample_count() == 0;
        require(emptied ||
                (known_layout(channels, out.get_channel_config()) && out.get_sample_count() != 0));
        require(out.get_sample_count() * channels <= out.get_data_size());
        if (expect_finite) require(all_finite(out.samples()));
    }
}

}  // namespace

void load_settings_stream(const std::uint8_t* data, std::size_t size) {
    host_sim::component_host& host = the_host();
    host.load_settings(std::vector<unsigned char>(data, data + size));
    const std::vector<unsigned char> saved = host.save_settings();
    require(host.load_settings(saved));
    require(host.save_settings() == saved);
    ambiora::restore_default_settings();
}

void play_chunk_script(const std::uint8_t* data, std::size_t size) {
    host_sim::component_host& host = the_host();
    ambiora::restore_default_settings();
    service_ptr_t<dsp> instance = host.instantiate_default();
    require(bool(instance));
    instance->flush_dsp();

    input_reader in(data, size);
    std::size_t frames_left = frames_per_input;
    const std::span table = ambiora::setting_table;
    for (int action = 0; action < actions_per_input && !in.done(); ++action) {
        switch (in.byte() % 10) {
            case 0:
            case 1:
            case 2:
                run_chunks(host, *instance, in, frames_left);
                break;
            case 3: {  // one setting to any value, often a sensible one
                const ambiora::setting_row& s = table[in.byte() % table.size()];
                const std::uint8_t how = in.byte();
                if (how < 160) {
                    const std::int64_t span = std::int64_t(s.max_value) - s.min_value + 1;
                    s.value() = std::int32_t(s.min_value + std::int64_t(in.u32() % span));
                } else {
                    s.value() = std::int32_t(in.u32());
                }
                break;
            }
            case 4:
                ambiora::cfg_mode = std::int32_t(in.byte() % 11) - 1;  // -1 to 9
                break;
            case 5:
                instance->flush_dsp();
                break;
            case 6:
                host.playback_seek(double(in.byte()));
                break;
            case 7:
                host.playback_stop();
                break;
            case 8:
                host.playback_starting();
                break;
            default:
                instance = host.instantiate_default();
                require(bool(instance));
                break;
        }
    }
    ambiora::restore_default_settings();
}

}  // namespace ambiora_fuzz
