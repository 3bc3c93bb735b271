// ambiora demo [DIR]: the built-in programme through every mode, with pictures.
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "channel_layout.h"
#include "commands.h"
#include "component_session.h"
#include "demo_levels.h"
#include "demo_programme.h"
#include "memory_source.h"
#include "messages.h"
#include "option_parser.h"
#include "pending_output.h"
#include "plot_script_runner.h"
#include "progress_bar.h"
#include "render_loop.h"
#include "response_file.h"
#include "modes.h"
#include "settings.h"
#include "sound_file_output.h"

namespace ambiora_cli {
namespace {

constexpr const char* default_directory = "ambiora-demo";

struct demo_arguments {
    std::string hrir_path;
    bool pictures = true;
};

// What the component kept in one render, cut to the input's length.
struct rendered {
    std::vector<float> samples;
    unsigned channels = 0;
    unsigned mask = 0;
};

// Makes `path` and any folders above it that are missing, as mkdir -p does.
void make_directory(const std::string& path) {
    const std::size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
    if (slash != std::string::npos && slash != 0) {
        struct stat parent {};
        const std::string above = path.substr(0, slash);
        if (::stat(above.c_str(), &parent) != 0) make_directory(above);
    }
    if (::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) {
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return;
        throw run_error("cannot make the folder " + path + ": a file is in the way");
    }
    throw run_error("cannot make the folder " + path + ": " + system_error_text(errno));
}

void write_wav(const std::string& path, const std::vector<float>& samples, unsigned channels,
               unsigned rate, unsigned mask) {
    pending_output out(path);
    sound_file_output file(out, {container_format::wav, sample_encoding::float32}, channels, rate,
                           mask, samples.size() / channels);
    file.write(samples.data(), samples.size() / channels);
    file.close();
    out.commit();
}

rendered render_mode(component_session& session, const demo_programme& programme, int mode) {
    ambiora::cfg_mode = mode;
    service_ptr_t<dsp> instance = session.new_instance();
    instance->flush_dsp();  // each mode starts from a clean engine, as after a stop
    memory_source source(programme.samples, programme.channels, programme.rate);
    rendered out;
    const std::size_t limit = programme.frames();
    render_hooks hooks;
    hooks.after_chunk = [&](std::uint64_t, const kept_chunks& kept) {
        for (const host_sim::host_chunk* chunk : kept) {
            const host_sim::host_chunk& c = *chunk;
            if (c.get_channels() == 0) continue;
            if (out.channels == 0) {
                out.channels = c.get_channels();
                out.mask = c.get_channel_config();
            }
            const std::size_t room = limit - out.samples.size() / out.channels;
            const std::size_t frames = std::min<std::size_t>(room, c.get_sample_count());
            out.samples.insert(out.samples.end(), c.get_data(),
                               c.get_data() + frames * out.channels);
        }
    };
    run_render(source, *instance, {default_chunk_frames, true}, hooks, nullptr);
    return out;
}

std::string mode_file_name(int mode) {
    std::string name = std::to_string(mode) + "-";
    for (const char* c = ambiora::mode_table[mode].name; *c != '\0'; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c))) {
            name += char(std::tolower(static_cast<unsigned char>(*c)));
        } else if (*c == '+') {
            name += name.back() == '-' ? "plus-" : "-plus-";
        } else if (name.back() != '-') {
            name += '-';
        }
    }
    return name + ".wav";
}

void write_text(const std::string& path, const std::string& text) {
    pending_output out(path);
    std::FILE* file = out.open_stream();
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) throw run_error("cannot write " + path);
    out.commit();
}

void print_help() {
    std::cout
        << "usage: ambiora demo [DIR] [options]\n\n"
           "Synthesises the built-in programme (a stereo piece with sources across the field and\n"
           "a centred voice; a 5.1 test set with a distinct sound in each channel), renders both\n"
           "through every mode of the component into DIR (default ./"
        << default_directory
        << ") as WAV files, and draws\n"
           "pictures of each output channel's level over time and of the twenty head-related\n"
           "responses (with /usr/bin/python3 and matplotlib; skipped, with a note, without them).\n"
           "The paths written are printed on stdout.\n\n"
           "options:\n"
           "  --hrir FILE     use FILE's responses in the headphone modes (see render --help)\n"
           "  --no-pictures   write the audio and the level numbers only\n"
           "  --quiet         print errors only\n";
}

}  // namespace

int demo_command(std::span<char* const> arguments) {
    demo_arguments a;
    const std::vector<option_spec> options = {
        {"hrir", "FILE", "", [&a](const std::string& v) { a.hrir_path = v; }},
        {"no-pictures", "", "", [&a](const std::string&) { a.pictures = false; }},
        {"quiet", "", "", [](const std::string&) { set_quiet(true); }, "q"},
    };
    const parsed_arguments parsed = parse_arguments(arguments, options, "demo");
    if (parsed.help_asked) {
        print_help();
        return 0;
    }
    if (parsed.positional.size() > 1) throw usage_error("demo takes one folder at most");
    const std::string directory =
        parsed.positional.empty() ? default_directory : parsed.positional[0];
    std::vector<float> responses;
    if (!a.hrir_path.empty()) responses = read_response_file(a.hrir_path);

    const auto started = std::chrono::steady_clock::now();
    make_directory(directory);
    component_session session;
    if (!responses.empty()) use_responses(responses);
    ambiora::restore_default_settings();

    const std::vector<demo_programme> programmes = {make_stereo_piece(), make_surround_test()};
    std::vector<programme_levels> levels;
    std::vector<std::string> written;
    progress_bar progress("demo", programmes.size() * std::size_t(ambiora::mode_count));
    std::uint64_t renders = 0;
    for (const demo_programme& p : programmes) {
        make_directory(directory + "/" + p.name);
        const unsigned input_mask = p.channels == 2 ? 0x3 : 0x3f;
        const std::string input_file = p.name + "/input.wav";
        write_wav(directory + "/" + input_file, p.samples, p.channels, p.rate, input_mask);
        written.push_back(directory + "/" + input_file);
        programme_levels pl{&p, input_file, {}};
        for (int mode = 0; mode < ambiora::mode_count; ++mode) {
            const rendered r = render_mode(session, p, mode);
            const std::string file = p.name + "/" + mode_file_name(mode);
            if (r.channels != 0) {
                write_wav(directory + "/" + file, r.samples, r.channels, p.rate, r.mask);
                written.push_back(directory + "/" + file);
            }
            pl.modes.push_back(
                {mode, ambiora::mode_table[mode].name, file,
                 measure_levels(r.samples, std::max(1u, r.channels), r.mask, p.rate)});
            progress.update(++renders);
        }
        levels.push_back(std::move(pl));
    }
    progress.finish();
    ambiora::restore_default_settings();

    write_text(directory + "/levels.json", levels_json(levels));
    written.push_back(directory + "/levels.json");
    write_response_file(directory + "/hrir_tables.f32", responses_in_use());
    written.push_back(directory + "/hrir_tables.f32");

    if (a.pictures) {
        std::string why_not;
        if (draw_demo_pictures(directory, why_not)) {
            for (const demo_programme& p : programmes) {
                written.push_back(directory + "/levels-" + p.name + ".png");
            }
            written.push_back(directory + "/responses.png");
        } else {
            warn("pictures skipped: " + why_not);
        }
    }
    for (const std::string& path : written) std::cout << path << "\n";
    std::cout.flush();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.1f s", seconds);
    note("demo written to " + directory + " in " + duration);
    return 0;
}

}  // namespace ambiora_cli
