#include "demo_levels.h"

#include <cmath>
#include <cstdio>

#include "channel_layout.h"

namespace ambiora_cli {
namespace {

constexpr double floor_decibels = -100.0;

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

}  // namespace

std::vector<channel_levels> measure_levels(const std::vector<float>& samples, unsigned channels,
                                           unsigned mask, unsigned rate) {
    const std::vector<std::string> names = channel_names(mask);
    const std::size_t frames = samples.size() / channels;
    const std::size_t window = std::size_t(level_window_seconds * rate);
    std::vector<channel_levels> levels(channels);
    for (unsigned c = 0; c < channels; ++c) {
        levels[c].channel = c < names.size() ? names[c] : "ch" + std::to_string(c + 1);
        for (std::size_t start = 0; start + window <= frames; start += window) {
            double energy = 0.0;
            for (std::size_t f = start; f < start + window; ++f) {
                const double x = samples[f * channels + c];
                energy += x * x;
            }
            const double rms = std::sqrt(energy / double(window));
            levels[c].decibels.push_back(
                rms > 0.0 ? std::max(floor_decibels, 20.0 * std::log10(rms)) : floor_decibels);
        }
    }
    return levels;
}

std::string levels_json(const std::vector<programme_levels>& programmes) {
    std::string j = "{\"window_seconds\": " + number(level_window_seconds) + ", \"programmes\": [";
    for (std::size_t p = 0; p < programmes.size(); ++p) {
        const programme_levels& pl = programmes[p];
        j += (p ? ",\n" : "\n") + std::string("{\"name\": ") + quoted(pl.programme->name) +
             ", \"title\": " + quoted(pl.programme->title) +
             ", \"input\": " + quoted(pl.input_file) + ", \"sections\": [";
        for (std::size_t s = 0; s < pl.programme->sections.size(); ++s) {
            const programme_section& section = pl.programme->sections[s];
            j += (s ? ", " : "") + std::string("[") + number(section.start_seconds) + ", " +
                 number(section.end_seconds) + ", " + quoted(section.label) + "]";
        }
        j += "], \"modes\": [";
        for (std::size_t m = 0; m < pl.modes.size(); ++m) {
            const mode_levels& ml = pl.modes[m];
            j += (m ? ",\n" : "\n") + std::string("{\"mode\": ") + std::to_string(ml.mode) +
                 ", \"name\": " + quoted(ml.mode_name) + ", \"file\": " + quoted(ml.file) +
                 ", \"channels\": [";
            for (std::size_t c = 0; c < ml.channels.size(); ++c) {
                j += (c ? ", " : "") + std::string("{\"name\": ") + quoted(ml.channels[c].channel) +
                     ", \"db\": [";
                for (std::size_t i = 0; i < ml.channels[c].decibels.size(); ++i) {
                    j += (i ? "," : "") + number(ml.channels[c].decibels[i]);
                }
                j += "]}";
            }
            j += "]}";
        }
        j += "]}";
    }
    return j + "\n]}\n";
}

}  // namespace ambiora_cli
