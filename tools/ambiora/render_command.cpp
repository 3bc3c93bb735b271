// ambiora render IN OUT [options]: one sound file through the component.
#include <chrono>
#include <filesystem>
#include <cstdio>
#include <iostream>
#include <optional>

#include "channel_layout.h"
#include "chunk_log.h"
#include "commands.h"
#include "component_session.h"
#include "file_access.h"
#include "messages.h"
#include "mode_warning.h"
#include "pending_output.h"
#include "progress_bar.h"
#include "render_loop.h"
#include "rendered_audio_writer.h"
#include "response_file.h"
#include "schedule.h"
#include "setting_options.h"
#include "settings.h"
#include "settings_arguments.h"
#include "shared_engine.h"
#include "sound_file_input.h"

namespace ambiora_cli {
namespace {

struct render_arguments {
    settings_arguments settings;
    std::size_t chunk_frames = default_chunk_frames;
    std::optional<sample_encoding> encoding;
    std::string hrir_path;
    std::string schedule_path;
    std::string type;
    bool complete_tail = true;
    bool keep_existing = false;
};

bool ends_with(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::size_t parse_chunk_frames(const std::string& text) {
    std::size_t frames = 0;
    std::size_t used = 0;
    try {
        if (!text.empty() && text[0] != '-') frames = std::stoul(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || frames == 0 || frames > largest_chunk_frames) {
        throw usage_error("--chunk needs a whole number of frames from 1 to " +
                          std::to_string(largest_chunk_frames) + ", not '" + text + "'");
    }
    return frames;
}

std::vector<option_spec> render_options_list(render_arguments& a) {
    std::vector<option_spec> options;
    a.settings.add_options(options);
    options.push_back({"chunk", "FRAMES",
                       "frames per chunk handed to the component (default 4096; the last is "
                       "shorter)",
                       [&a](const std::string& v) { a.chunk_frames = parse_chunk_frames(v); }});
    options.push_back({"sample-format", "F",
                       "float, 24 or 16 (default: float for .wav, 24 for .flac)",
                       [&a](const std::string& v) { a.encoding = parse_sample_encoding(v); }});
    options.push_back({"type", "TYPE",
                       "the output container: " + container_names() +
                           " (default: from OUT's extension; WAV for -)",
                       [&a](const std::string& v) { a.type = v; }, "t"});
    options.push_back({"overwrite", "", "replace an existing OUT (the default)",
                       [&a](const std::string&) { a.keep_existing = false; }, "y"});
    options.push_back({"no-overwrite", "", "never replace an existing OUT: stop at once instead",
                       [&a](const std::string&) { a.keep_existing = true; }, "n"});
    options.push_back({"hrir", "FILE",
                       "replace the built-in head-related responses by FILE: 20 x 8192 "
                       "little-endian float32, numbered 10 x bank + 2 x speaker + ear",
                       [&a](const std::string& v) { a.hrir_path = v; }});
    options.push_back({"schedule", "FILE",
                       "apply settings changes and resets between chunks (lines 'INDEX name=value "
                       "...' or 'INDEX reset'); OUT is then a chunk log",
                       [&a](const std::string& v) { a.schedule_path = v; }});
    options.push_back({"no-tail", "",
                       "write only what the component released for the input's own chunks, as in "
                       "the player (a headphone mode then ends up to 8191 frames early)",
                       [&a](const std::string&) { a.complete_tail = false; }});
    options.push_back({"quiet", "",
                       "print errors only: no progress, warnings or summary, nor the decoders' "
                       "own messages",
                       [](const std::string&) { set_quiet(true); }, "q"});
    return options;
}

void print_help(const std::vector<option_spec>& options) {
    std::cout
        << "usage: ambiora render IN OUT [options]\n\n"
           "Runs IN (any file libsndfile reads: WAV, FLAC, AIFF, OGG, MP3...; mono, stereo, or\n"
           "4, 5 or 6 channels; any rate) chunk by chunk through the Ambiora Processor\n"
           "component, as the player does, and writes what it keeps to OUT in the container its\n"
           "extension or --type names: WAV (32-bit float WAVE_FORMAT_EXTENSIBLE with the\n"
           "output's channel mask; RF64 past 4 GB), RF64, W64, AIFF, FLAC (24-bit), Ogg Vorbis\n"
           "or Opus. IN - reads standard input; OUT - writes standard output (WAV unless --type\n"
           "says otherwise), once the render has succeeded. OUT appears only when the render\n"
           "succeeds; an existing OUT is replaced whole or not at all, and never by IN itself.\n"
           "A warning says when the mode cannot act on IN, when IN is shorter than its header\n"
           "promises, and when samples were clipped or (NaN or infinite) silenced.\n\n"
           "Settings start from the component's defaults (or --settings FILE); values outside a\n"
           "setting's range are warned about and passed on, as a damaged stored configuration\n"
           "would be.\n\n"
           "options:\n"
        << format_options_help(options) << "\nmodes: " << mode_list()
        << "\n(names match without case, spaces or dashes, with or without \"Ambiora\")"
        << "\n\nexamples:\n"
           "  ambiora render song.flac song-5.1.wav\n"
           "  ambiora render song.flac song-phones.wav --mode \"Ambiora Headphone\"\n"
           "  ambiora render film-5.1.wav film-encoded.flac --mode 7 --master-gain -3\n"
           "  ffmpeg -i film.mkv -f wav - | ambiora render - - --mode 5 | ffplay -\n"
           "  ambiora render song.wav moves.chunks --schedule moves.txt --chunk 1024\n\n"
           "chunk log (OUT with --schedule; numbers little-endian): \"CHUNKS1\\0\", u32 rate,\n"
           "u32 input chunks, then per input chunk u32 kept (1/0), u32 channels, u32 frames,\n"
           "u32 channel mask and channels x frames float32, interleaved.\n\n"
           "exit status: 0 done (warnings may have been printed), 1 the work failed, 2 the\n"
           "command line was wrong.\n";
}

void apply_schedule_steps(const schedule& plan, std::uint64_t index, component_session& session,
                          double seconds) {
    const auto found = plan.steps_before_chunk.find(index);
    if (found == plan.steps_before_chunk.end()) return;
    for (const schedule_step& step : found->second) {
        if (step.reset) {
            session.seek(seconds);
        } else {
            step.assignment.setting->value() = step.assignment.value;
        }
    }
}

void warn_about_unreached_steps(const schedule& plan, std::uint64_t chunks) {
    const auto first_unreached = plan.steps_before_chunk.lower_bound(chunks);
    if (first_unreached == plan.steps_before_chunk.end()) return;
    warn(plan.path + ": the steps for chunk " + std::to_string(first_unreached->first) +
         " and later were never reached (the input made " + count_of(chunks, "chunk") + ")");
}

std::string describe_input(const audio_source& in) {
    return count_of(in.channels(), "channel") + " at " + std::to_string(in.rate()) + " Hz";
}

// What the input's header promised against what came, and what the component had to silence.
void warn_about_damage(const std::string& in_path, const sound_file_input& input,
                       std::uint64_t frames_read, std::uint64_t silenced) {
    if (frames_read < input.promised_frames()) {
        warn(in_path + " is cut short: its header promises " +
             count_of(input.promised_frames(), "frame") + ", it holds " +
             std::to_string(frames_read) + "; rendered what is there");
    }
    if (silenced != 0) {
        warn(count_of(silenced, "output sample") + (silenced == 1 ? " was" : " were") +
             " not finite (NaN or infinite, from damage in " + in_path +
             ") and written as silence");
    }
}

}  // namespace

int render_command(std::span<char* const> arguments) {
    render_arguments a;
    const std::vector<option_spec> options = render_options_list(a);
    const parsed_arguments parsed = parse_arguments(arguments, options, "render");
    if (parsed.help_asked) {
        print_help(options);
        return 0;
    }
    if (parsed.positional.size() != 2) {
        throw usage_error("render needs IN and OUT (see ambiora render --help)");
    }
    const std::string& in_path = parsed.positional[0];
    const std::string& out_path = parsed.positional[1];
    const bool to_stdout = out_path == standard_stream_name;
    const std::string in_name = in_path == standard_stream_name ? "standard input" : in_path;
    const std::string out_name = to_stdout ? "standard output" : out_path;
    if (a.keep_existing && !to_stdout && std::filesystem::exists(out_path)) {
        throw run_error(out_path + " exists, and --no-overwrite (-n) keeps it");
    }
    if (in_path != standard_stream_name && !to_stdout && same_file(in_path, out_path)) {
        throw run_error("OUT " + out_path + " is the same file as IN " + in_path +
                        ": writing it would destroy the input; choose another OUT");
    }

    // Everything that can be checked is checked before any work, so a mistake costs nothing.
    std::optional<schedule> plan;
    std::optional<output_format> format;
    if (!a.schedule_path.empty()) {
        if (a.encoding) throw usage_error("--sample-format has no meaning with --schedule");
        if (!a.type.empty()) throw usage_error("--type has no meaning with --schedule");
        // The log is no sound file; a name like song.wav would have a player choke on it.
        if (!ends_with(out_path, ".chunks")) {
            throw usage_error(
                "with --schedule OUT is a chunk log, not a sound file: give it a "
                "name ending in .chunks");
        }
        plan = read_schedule(a.schedule_path);
    } else {
        format = choose_output_format(out_path, to_stdout && a.type.empty() ? "wav" : a.type,
                                      a.encoding);
    }
    const std::optional<std::vector<unsigned char>> stored = a.settings.read_stored_settings();
    std::vector<float> responses;
    if (!a.hrir_path.empty()) responses = read_response_file(a.hrir_path);
    sound_file_input input(in_path);
    pending_output out(out_path);
    a.settings.prepare_save();

    component_session session(stored ? &*stored : nullptr);
    a.settings.apply(session);
    if (!responses.empty()) use_responses(responses);
    service_ptr_t<dsp> instance = session.new_instance();
    if (!plan) {
        if (auto warning = mode_warning(ambiora::cfg_mode, input.channels(), input.rate()))
            warn(*warning);
    }
    const std::uint64_t silenced_before = ambiora::silenced_output_samples();

    const auto started = std::chrono::steady_clock::now();
    progress_bar progress("rendering", input.frames(), input.rate());
    render_options settings{a.chunk_frames, a.complete_tail && !plan};
    render_hooks hooks;
    render_totals totals;
    if (plan) {
        chunk_log_writer log(out.open_stream(), out_path, input.rate());
        // A schedule may switch into a mode that cannot act on this input; say so once per mode,
        // at the first chunk it reaches, as a render without a schedule says it at the start.
        std::uint32_t modes_checked = 0;
        hooks.before_chunk = [&](std::uint64_t index) {
            apply_schedule_steps(*plan, index, session,
                                 double(index) * double(a.chunk_frames) / double(input.rate()));
            const std::int32_t mode = ambiora::cfg_mode;
            const std::uint32_t bit = mode >= 0 && mode < 32 ? 1u << mode : 0u;
            if (bit == 0 || (modes_checked & bit) != 0) return;
            modes_checked |= bit;
            if (auto warning = mode_warning(mode, input.channels(), input.rate()))
                warn("from chunk " + std::to_string(index) + ", " + *warning);
        };
        hooks.after_chunk = [&](std::uint64_t, const kept_chunks& kept) { log.add(kept); };
        totals = run_render(input, *instance, settings, hooks, &progress);
        if (totals.input_frames == 0) throw run_error(in_name + " holds no audio");
        log.close();
        warn_about_unreached_steps(*plan, totals.input_chunks);
        warn_about_damage(in_name, input, totals.input_frames,
                          ambiora::silenced_output_samples() - silenced_before);
    } else {
        rendered_audio_writer writer(out, *format, input.frames());
        hooks.after_chunk = [&](std::uint64_t, const kept_chunks& kept) { writer.add(kept); };
        hooks.end_of_input = [&](std::uint64_t frames) { writer.limit_to(frames); };
        totals = run_render(input, *instance, settings, hooks, &progress);
        if (totals.input_frames == 0) throw run_error(in_name + " holds no audio");
        if (!writer.close()) {
            throw run_error("the component kept no audio of " + in_name + " (" +
                            describe_input(input) +
                            "; a headphone mode holds back up to 8191 frames with --no-tail); "
                            "nothing written");
        }
        if (writer.clipped_samples() != 0) {
            warn(count_of(writer.clipped_samples(), "sample") + " beyond full scale " +
                 (writer.clipped_samples() == 1 ? "was" : "were") + " clipped in " + out_name +
                 " (lower --master-gain or write float)");
        }
        warn_about_damage(in_name, input, totals.input_frames,
                          ambiora::silenced_output_samples() - silenced_before);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        note(out_name + ": " + writer.written_format() + ", " +
             count_of(writer.channels(), "channel") + " (" + describe_channels(writer.mask()) +
             "), " + std::to_string(input.rate()) + " Hz, " +
             count_of(writer.frames_written(), "frame") + "; rendered in " +
             std::to_string(int(seconds * 1000.0)) + " ms");
    }
    out.commit();
    a.settings.commit_save();
    return 0;
}

}  // namespace ambiora_cli
