// ambiora_lv2_descriptions OUT_DIR BINARY: writes the bundle's manifest.ttl and one description
// per plugin into OUT_DIR, all from the job rows (plugin_jobs.h) and the settings and mode tables,
// so a setting's name, range, default and unit are written nowhere but in its row. The build runs
// this whenever any of those tables changes.
#include <lv2/core/lv2.h>
#include <lv2/port-groups/port-groups.h>
#include <lv2/units/units.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "plugin_jobs.h"

namespace ambiora_lv2 {
namespace {

constexpr const char* rdf_value = "http://www.w3.org/1999/02/22-rdf-syntax-ns#value";
constexpr const char* rdfs_label = "http://www.w3.org/2000/01/rdf-schema#label";
constexpr const char* rdfs_comment = "http://www.w3.org/2000/01/rdf-schema#comment";
constexpr const char* rdfs_see_also = "http://www.w3.org/2000/01/rdf-schema#seeAlso";
constexpr const char* doap_name = "http://usefulinc.com/ns/doap#name";
constexpr const char* rdf_type = "a";

std::string iri(const std::string& text) {
    return "<" + text + ">";
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string plugin_uri(const plugin_job& job) {
    return std::string(bundle_uri) + job.symbol;
}

// A port's lines, collected and closed as one blank node of the plugin's lv2:port list.
class port_writer {
  public:
    // `rdf_type` is written as Turtle's "a"; every other predicate as an IRI.
    port_writer& property(const char* predicate, const std::string& object) {
        lines_ << "        " << (predicate == rdf_type ? std::string("a") : iri(predicate)) << " "
               << object << " ;\n";
        return *this;
    }
    std::string finish() const { return "    [\n" + lines_.str() + "    ]"; }

  private:
    std::ostringstream lines_;
};

struct channel_port {
    const char* symbol;
    const char* label;
    const char* designation;
};

constexpr channel_port stereo_channels[] = {
    {"l", "Left", LV2_PORT_GROUPS__left},
    {"r", "Right", LV2_PORT_GROUPS__right},
};
// The engine's order, which is also how PipeWire and most hosts number 5.1: L R C LFE SL SR.
constexpr channel_port five_one_channels[] = {
    {"l", "Left", LV2_PORT_GROUPS__left},
    {"r", "Right", LV2_PORT_GROUPS__right},
    {"c", "Centre", LV2_PORT_GROUPS__center},
    {"lfe", "LFE", LV2_PORT_GROUPS__lowFrequencyEffects},
    {"sl", "Surround left", LV2_PORT_GROUPS__rearLeft},
    {"sr", "Surround right", LV2_PORT_GROUPS__rearRight},
};

std::span<const channel_port> channels_of(channel_layout layout) {
    if (layout == channel_layout::stereo) return stereo_channels;
    return five_one_channels;
}

const char* group_class(channel_layout layout) {
    return layout == channel_layout::stereo ? LV2_PORT_GROUPS__StereoGroup
                                            : LV2_PORT_GROUPS__FivePointOneGroup;
}

void audio_ports(std::vector<std::string>& ports, const plugin_job& job, bool input,
                 std::uint32_t first_index) {
    const std::string group = iri(plugin_uri(job) + (input ? "#in" : "#out"));
    const auto channels = channels_of(input ? job.input : job.output);
    for (std::uint32_t c = 0; c < channels.size(); ++c) {
        port_writer port;
        port.property(rdf_type, iri(LV2_CORE__AudioPort) + ", " +
                                    iri(input ? LV2_CORE__InputPort : LV2_CORE__OutputPort))
            .property(LV2_CORE__index, std::to_string(first_index + c))
            .property(LV2_CORE__symbol,
                      quoted(std::string(input ? "in_" : "out_") + channels[c].symbol))
            .property(LV2_CORE__name,
                      quoted(std::string(channels[c].label) + (input ? " in" : " out")))
            .property(LV2_PORT_GROUPS__group, group)
            .property(LV2_CORE__designation, iri(channels[c].designation));
        ports.push_back(port.finish());
    }
}

std::string capitalised(const char* text) {
    std::string out = text;
    if (!out.empty()) out[0] = char(std::toupper(static_cast<unsigned char>(out[0])));
    return out;
}

std::string port_symbol(const char* name) {
    std::string out = name;
    for (char& c : out) {
        if (c == '-') c = '_';
    }
    return out;
}

const char* unit_uri(ambiora::setting_unit unit) {
    switch (unit) {
        case ambiora::setting_unit::milliseconds:
            return LV2_UNITS__ms;
        case ambiora::setting_unit::percent:
            return LV2_UNITS__pc;
        case ambiora::setting_unit::decibels:
            return LV2_UNITS__db;
        case ambiora::setting_unit::hertz:
            return LV2_UNITS__hz;
        default:
            return nullptr;
    }
}

void control_ports(std::vector<std::string>& ports, const plugin_job& job) {
    const port_map map(job);
    const std::string control_input = iri(LV2_CORE__ControlPort) + ", " + iri(LV2_CORE__InputPort);

    port_writer latency;
    latency.property(rdf_type, iri(LV2_CORE__ControlPort) + ", " + iri(LV2_CORE__OutputPort))
        .property(LV2_CORE__index, std::to_string(map.latency()))
        .property(LV2_CORE__symbol, quoted("latency"))
        .property(LV2_CORE__name, quoted("Latency"))
        .property(LV2_CORE__designation, iri(LV2_CORE__latency))
        .property(LV2_CORE__portProperty,
                  iri(LV2_CORE__reportsLatency) + ", " + iri(LV2_CORE__integer))
        .property(LV2_UNITS__unit, iri(LV2_UNITS__frame));
    ports.push_back(latency.finish());

    port_writer mode;
    std::string scale_points;
    for (std::int32_t m = job.first_mode; m <= job.last_mode; ++m) {
        if (!scale_points.empty()) scale_points += ", ";
        scale_points += "[ " + iri(rdfs_label) + " " + quoted(ambiora::mode_table[m].name) + " ; " +
                        iri(rdf_value) + " " + std::to_string(m) + " ]";
    }
    mode.property(rdf_type, control_input)
        .property(LV2_CORE__index, std::to_string(map.mode()))
        .property(LV2_CORE__symbol, quoted("mode"))
        .property(LV2_CORE__name, quoted(job.mode_label))
        .property(LV2_CORE__default, std::to_string(job.default_mode))
        .property(LV2_CORE__minimum, std::to_string(job.first_mode))
        .property(LV2_CORE__maximum, std::to_string(job.last_mode))
        .property(LV2_CORE__portProperty,
                  iri(LV2_CORE__integer) + ", " + iri(LV2_CORE__enumeration))
        .property(LV2_CORE__scalePoint, scale_points);
    ports.push_back(mode.finish());

    for (std::uint32_t i = 0; i < job.controls.size(); ++i) {
        const ambiora::setting_row& row = ambiora::setting_table[job.controls[i].row];
        port_writer port;
        port.property(rdf_type, control_input)
            .property(LV2_CORE__index, std::to_string(map.first_control() + i))
            .property(LV2_CORE__symbol, quoted(port_symbol(row.name)))
            .property(LV2_CORE__name, quoted(capitalised(row.meaning)))
            .property(LV2_CORE__default, std::to_string(row.default_value))
            .property(LV2_CORE__minimum, std::to_string(row.min_value))
            .property(LV2_CORE__maximum, std::to_string(row.max_value));
        if (row.unit == ambiora::setting_unit::on_off) {
            port.property(LV2_CORE__portProperty,
                          iri(LV2_CORE__integer) + ", " + iri(LV2_CORE__toggled));
        } else {
            port.property(LV2_CORE__portProperty, iri(LV2_CORE__integer));
            if (const char* unit = unit_uri(row.unit)) port.property(LV2_UNITS__unit, iri(unit));
        }
        ports.push_back(port.finish());
    }
}

std::string group_description(const plugin_job& job, bool input) {
    const channel_layout layout = input ? job.input : job.output;
    return iri(plugin_uri(job) + (input ? "#in" : "#out")) + "\n    a " + iri(group_class(layout)) +
           ", " + iri(input ? LV2_PORT_GROUPS__InputGroup : LV2_PORT_GROUPS__OutputGroup) +
           " ;\n    " + iri(LV2_CORE__symbol) + " " + quoted(input ? "in" : "out") + " ;\n    " +
           iri(rdfs_label) + " " + quoted(input ? "Input" : "Output") + " .\n\n";
}

std::string plugin_description(const plugin_job& job) {
    const port_map map(job);
    std::vector<std::string> ports;
    audio_ports(ports, job, true, 0);
    audio_ports(ports, job, false, map.first_output());
    control_ports(ports, job);

    std::string text = group_description(job, true) + group_description(job, false);
    text += iri(plugin_uri(job)) + "\n    a " + iri(LV2_CORE__Plugin) + ", " +
            iri(LV2_CORE__SpatialPlugin) + " ;\n";
    text += "    " + iri(doap_name) + " " + quoted(job.name) + " ;\n";
    text += "    " + iri(rdfs_comment) + " " + quoted(job.about) + " ;\n";
    // run() takes no storage, no lock and does no I/O in every job (the headphone renderer's
    // transforms are planned unbuffered, so FFTW takes no scratch memory as they run either).
    text += "    " + iri(LV2_CORE__optionalFeature) + " " + iri(LV2_CORE__hardRTCapable) + " ;\n";
    text += "    " + iri(LV2_PORT_GROUPS__mainInput) + " " + iri(plugin_uri(job) + "#in") + " ;\n";
    text +=
        "    " + iri(LV2_PORT_GROUPS__mainOutput) + " " + iri(plugin_uri(job) + "#out") + " ;\n";
    text += "    " + iri(LV2_CORE__port) + "\n";
    for (std::size_t i = 0; i < ports.size(); ++i) {
        text += ports[i] + (i + 1 < ports.size() ? " ,\n" : " .\n");
    }
    return text;
}

std::string manifest(const std::string& binary) {
    std::string text;
    for (const plugin_job& job : plugin_jobs) {
        text += iri(plugin_uri(job)) + "\n    a " + iri(LV2_CORE__Plugin) + " ;\n    " +
                iri(LV2_CORE__binary) + " " + iri(binary) + " ;\n    " + iri(rdfs_see_also) + " " +
                iri(std::string(job.symbol) + ".ttl") + " .\n\n";
    }
    return text;
}

bool write_file(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) std::cerr << "ambiora_lv2_descriptions: cannot write " << path << "\n";
    return bool(out);
}

}  // namespace
}  // namespace ambiora_lv2

int main(int argc, char** argv) {
    using namespace ambiora_lv2;
    if (argc != 3) {
        std::cerr << "usage: ambiora_lv2_descriptions OUT_DIR BINARY\n";
        return 2;
    }
    const std::string dir = argv[1];
    bool written = write_file(dir + "/manifest.ttl", manifest(argv[2]));
    for (const plugin_job& job : plugin_jobs) {
        written = write_file(dir + "/" + job.symbol + ".ttl", plugin_description(job)) && written;
    }
    return written ? 0 : 1;
}
