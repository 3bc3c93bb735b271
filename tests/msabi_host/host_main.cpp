// A stand-in for the player, compiled for Microsoft's x64 or x86 ABI: it loads the component DLL
// named on its command line and drives it the way the player does, through the player's own
// declarations of every interface, checking the answers. One line per check, then "N passed, N
// failed"; the exit code is the number of failures (capped), 0 when all passed.
//
// The steps share one session and run in order; a fault inside the component fails the step it
// happened in and the host goes on with the next one, so one broken slot does not hide the rest.
#include "host_objects.h"
#include "settings_records.h"

namespace {

constexpr GUID componentversion_class = {
    0x10bb3ebd, 0xddf7, 0x4975, {0xa3, 0xcc, 0x23, 0x08, 0x48, 0x29, 0x45, 0x3e}};
constexpr GUID dsp_class = {
    0x2a42afea, 0x940b, 0x455b, {0xae, 0xff, 0xcf, 0xda, 0xca, 0xf5, 0x2a, 0xff}};
constexpr GUID play_callback_static_class = {
    0x8e4eed7a, 0xc6b8, 0x49c7, {0x99, 0xfe, 0x97, 0xe0, 0x4a, 0xaa, 0x63, 0xa8}};
constexpr GUID ambiora_dsp_guid = {
    0xb51fbad2, 0x8ba9, 0x4427, {0xbb, 0xd6, 0x5b, 0x03, 0xa3, 0xf5, 0xc3, 0xc0}};

constexpr unsigned mode_bypass = 0;
constexpr unsigned mode_headphone = 5;
constexpr unsigned rate = 44100;
constexpr size_t headphone_block = 8192;
constexpr unsigned client_version = sizeof(void*) == 8 ? 80 : 72;  // the lowest each player takes

struct session {
    const WCHAR* dll_path = nullptr;
    HMODULE module = nullptr;
    foobar2000_client* client = nullptr;
    host_api api;
    host_abort abort;
    componentversion* version = nullptr;
    dsp_entry* entry = nullptr;
    play_callback_static* callback = nullptr;
    dsp* instance = nullptr;  // holds one reference while set
    host_counted track;
    host_chunk chunks[2];
    host_chunk_list list;
    settings_stream defaults;  // the component's first save
};

bool same_guid(const GUID& a, const GUID& b) {
    return same_bytes(&a, &b, sizeof(GUID));
}

// Feeds the component a settings stream through the player's declaration (no result).
void load_settings(session& s, const settings_stream& stream) {
    host_reader reader(stream.bytes, stream.size);
    s.client->set_config(&reader, s.abort);
}

void save_settings(session& s, host_writer& writer) {
    writer.size = 0;
    s.client->get_config(&writer, s.abort);
}

void set_mode(session& s, unsigned mode) {
    settings_stream stream;
    stream.append_record(mode_key, int(mode));
    load_settings(s, stream);
}

double stereo_signal(unsigned channel, size_t i) {
    const double phase = double(i) * (channel == 0 ? 0.0627 : 0.1421);
    return (channel == 0 ? 0.5 : 0.3) * sin(phase);
}
// Values a float holds exactly, so that the expected output can be computed bit for bit.
double exact_signal(unsigned channel, size_t i) {
    return double(int((i * 37 + channel * 11) % 129) - 64) / 128.0;
}

// Runs one chunk of `frames` frames through the instance; returns the chunk if it was kept.
host_chunk* run_one(session& s, unsigned channels, size_t frames,
                    double (*signal)(unsigned, size_t), int flags = 0) {
    host_chunk& chunk = s.chunks[0];
    chunk.fill(channels, rate, frames, signal);
    s.list.clear();
    s.list.push(&chunk);
    metadb_handle_ptr track(&s.track);
    s.instance->run(&s.list, track, flags);
    return s.list.get_count() == 1 ? s.list.item(0) : nullptr;
}

bool all_finite(const host_chunk& chunk, double bound) {
    const audio_sample* data = chunk.get_data();
    for (size_t i = 0; i < chunk.get_data_size(); ++i) {
        if (!is_finite(data[i]) || data[i] > bound || data[i] < -bound) return false;
    }
    return true;
}

double channel_energy(const host_chunk& chunk, unsigned channel) {
    const audio_sample* data = chunk.get_data();
    const unsigned channels = chunk.get_channels();
    double sum = 0;
    for (size_t i = 0; i < chunk.get_sample_count(); ++i) {
        const double x = data[i * channels + channel];
        sum += x * x;
    }
    return sum;
}

// A step that lacks what an earlier one should have produced fails visibly instead of vanishing
// from the tally.
bool have(const void* needed, const char* step, const char* what) {
    return needed != nullptr || check(false, step, "skipped: no %s", what);
}

// --- steps ---------------------------------------------------------------------------------

void step_load(void* context) {
    session& s = *static_cast<session*>(context);
    s.module = LoadLibraryW(s.dll_path);
    if (!check(s.module != nullptr, "load: LoadLibraryW", "error %lu", GetLastError())) return;
    auto entry = reinterpret_cast<get_interface_fn>(
        reinterpret_cast<void*>(GetProcAddress(s.module, "foobar2000_get_interface")));
    if (!check(entry != nullptr, "load: undecorated export foobar2000_get_interface")) return;
    s.client = entry(&s.api, s.module);
    check(s.client != nullptr, "load: the export returns a client");
    if (s.client != nullptr) {
        check(entry(&s.api, s.module) == s.client, "load: a second call returns the same client");
    }
}

void step_client(void* context) {
    session& s = *static_cast<session*>(context);
    const unsigned version = s.client->get_version();
    check(version == client_version, "client: version is the player's minimum (80 x64, 72 x86)",
          "got %u, expected %u", version, client_version);
    check(!s.client->is_debug(), "client: not a debug build");
}

void step_factories(void* context) {
    session& s = *static_cast<session*>(context);
    // Each factory joined the head of the list as it was built: the play callback last.
    const GUID* expected[] = {&play_callback_static_class, &dsp_entry_class,
                              &componentversion_class};
    service_base* made[3] = {};
    int count = 0;
    for (service_factory_base* f = s.client->get_service_list(); f != nullptr && count < 64;
         f = f->next_factory, ++count) {
        service_ptr service, answer, other;
        f->instance_create(service);
        service_base* obj = service.get();
        // The player reads the class GUID through the pointer right after the next pointer.
        if (count >= 3 || obj == nullptr || !same_guid(f->class_guid, *expected[count])) continue;
        made[count] = obj;
        check(obj->service_query(answer, f->class_guid) && answer.get() == obj &&
                  !obj->service_query(other, dsp_class) && other.get() == nullptr,
              "factories: service answers a query for its own class only");
        // The factory-held services are static: their counts never move.
        const int added = obj->service_add_ref(), released = obj->service_release();
        check(added == 1 && released == 1, "factories: static service reports a fixed count of 1",
              "add %d release %d", added, released);
    }
    check(count == 3 && made[0] && made[1] && made[2],
          "factories: exactly play_callback_static, dsp_entry and componentversion, in that order",
          "%d factories", count);
    s.callback = static_cast<play_callback_static*>(made[0]);
    s.entry = static_cast<dsp_entry*>(made[1]);
    s.version = static_cast<componentversion*>(made[2]);
}

void step_version_strings(void* context) {
    session& s = *static_cast<session*>(context);
    if (!have(s.version, "version", "version service")) return;
    host_string text;
    s.version->get_file_name(text);
    check(text.get_length() == 0, "version: file name is empty before the library path is set",
          "\"%s\"", text.get_ptr());
    s.client->set_library_path("Z:\\ambiora\\foo_dsp_ambiora.dll", "foo_dsp_ambiora");
    s.client->services_init(true);
    s.version->get_file_name(text);
    check(same_text(text.get_ptr(), "foo_dsp_ambiora"), "version: file name as the player set it",
          "\"%s\"", text.get_ptr());
    s.version->get_component_name(text);
    check(same_text(text.get_ptr(), "Ambiora Processor"), "version: name", "%s", text.get_ptr());
    s.version->get_component_version(text);
    check(same_text(text.get_ptr(), "0.1.6a"), "version: version", "%s", text.get_ptr());
    s.version->get_about_message(text);
    check(text.get_length() > 0, "version: about text", "\"%s\"", text.get_ptr());
    check(text.bad_lengths == 0, "version: string lengths passed are true lengths or the sentinel");
}

void step_dsp_entry(void* context) {
    session& s = *static_cast<session*>(context);
    if (!have(s.entry, "entry", "DSP entry")) return;
    const unsigned sp = stack_pointer();
    const GUID guid = s.entry->get_guid();  // a struct returned by value
    const bool popped = stack_pointer() == sp;
    check(same_guid(guid, ambiora_dsp_guid) && popped,
          "entry: get_guid returns the DSP's GUID by value, stack pointer kept",
          "got {%08lX-%04X-...}, stack pointer %s", static_cast<unsigned long>(guid.Data1),
          guid.Data2, popped ? "kept" : "moved");
    host_string name;
    s.entry->get_name(name);
    check(same_text(name.get_ptr(), "Ambiora Processor"), "entry: name", "\"%s\"", name.get_ptr());
    check(s.entry->have_config_popup(), "entry: has a configuration pop-up");
}

void step_instantiate(void* context) {
    session& s = *static_cast<session*>(context);
    if (!have(s.entry, "instantiate", "DSP entry")) return;
    host_preset preset;
    static const unsigned char stale[3] = {1, 2, 3};
    preset.set_data(stale, sizeof stale);
    preset.set_data_calls = 0;
    check(s.entry->get_default_preset(preset) && same_guid(preset.owner, ambiora_dsp_guid) &&
              preset.data_size == 0 && preset.set_owner_calls == 1 && preset.set_data_calls == 1,
          "preset: default preset owned by the DSP, with no data", "owner {%08lX-...} size %u",
          static_cast<unsigned long>(preset.owner.Data1), unsigned(preset.data_size));

    // Refused with a foreign owner: the out reference keeps what it held.
    host_counted held;
    service_ptr_t<dsp> out;
    out.raw = &held;
    host_preset foreign;
    foreign.owner = ambiora_dsp_guid;
    foreign.owner.Data4[7] ^= 0x01;
    const bool refused = !s.entry->instantiate(out, foreign);
    check(refused && out.raw == &held && held.references == 1 && foreign.owner_reads > 0,
          "instantiate: refused for an owner differing in one byte, out reference untouched",
          "result %d, out %s, count %ld, owner read %d times", int(!refused),
          out.raw == &held ? "kept" : "changed", held.references, foreign.owner_reads);

    // Accepted with the default preset: the old content is released, the new one is a dsp.
    preset.owner_reads = 0;
    const bool made = s.entry->instantiate(out, preset);
    check(made && out.raw != nullptr && out.raw != &held && held.references == 0 &&
              preset.owner_reads > 0,
          "instantiate: the default preset makes an instance and releases the old reference",
          "result %d, old count %ld, owner read %d times", int(made), held.references,
          preset.owner_reads);
    if (!made || out.raw == nullptr || out.raw == &held) {
        out.raw = nullptr;
        return;
    }
    s.instance = out.get();
    out.raw = nullptr;  // the session now holds the reference
    service_ptr answer;
    check(s.instance->service_query(answer, dsp_class) && answer.get() == s.instance,
          "instance: answers a query for the dsp class");
    check(s.instance->get_latency() == 0.0, "instance: latency is 0.0");
    check(!s.instance->need_track_change_mark(), "instance: needs no track change mark");
}

// The record layout and the defaults themselves are pinned by the native suites; here the point
// is that the player's writer receives them whole, last setting built first.
void step_saved_defaults(void* context) {
    session& s = *static_cast<session*>(context);
    host_writer writer;
    save_settings(s, writer);
    const unsigned char* last = writer.bytes + (setting_count - 1) * setting_record_size;
    int mode = -1;
    find_setting(writer.bytes, writer.size, mode_key, mode);
    check(writer.size == setting_count * setting_record_size && !writer.overflowed &&
              same_bytes(last, &mode_key, 16) && mode == 4,
          "settings: first save is 19 records, the mode (default 4) last", "%u bytes, mode %d",
          unsigned(writer.size), mode);
    s.defaults.size = 0;
    s.defaults.append_bytes(writer.bytes, writer.size);
}

void step_decoder_mode(void* context) {
    session& s = *static_cast<session*>(context);
    if (!have(s.instance, "decoder", "DSP instance")) return;
    // The default mode is the 3/2 decoder: stereo in, 5.1 out. A chunk with no sample rate goes
    // along and must be removed without being processed.
    host_chunk& chunk = s.chunks[0];
    host_chunk& empty = s.chunks[1];
    chunk.fill(2, rate, 1024, stereo_signal);
    empty.fill(2, 0, 16, stereo_signal);
    s.list.clear();
    s.list.push(&empty);
    s.list.push(&chunk);
    chunk.writable_data_calls = chunk.const_data_calls = 0;
    metadb_handle_ptr track(&s.track);
    s.instance->run(&s.list, track, 0);
    // Taken before the host reads the chunk itself (through the const overload).
    const int writable_calls = chunk.writable_data_calls;
    const int const_calls = chunk.const_data_calls;
    check(s.list.get_count() == 1 && s.list.item(0) == &chunk,
          "decoder: a chunk without a sample rate is removed, the real one kept", "%u left",
          unsigned(s.list.get_count()));
    check(chunk.get_channels() == 6 && chunk.get_channel_config() == 0x3f &&
              chunk.get_sample_count() == 1024 && chunk.get_data_size() == 6 * 1024 &&
              chunk.get_srate() == rate,
          "decoder: stereo in, six channels out, mask 0x3f, frames and rate kept",
          "%u ch, mask 0x%x, %u frames, %u samples, %u Hz", chunk.get_channels(),
          chunk.get_channel_config(), unsigned(chunk.get_sample_count()),
          unsigned(chunk.get_data_size()), chunk.get_srate());
    check(all_finite(chunk, 4.0), "decoder: every output sample finite and within +-4");
    check(channel_energy(chunk, 0) > 1.0 && channel_energy(chunk, 1) > 1.0 &&
              channel_energy(chunk, 2) > 0.1,
          "decoder: front left, right and centre carry signal (samples read at their width)");
    // The chunk path asks a non-const chunk for its data; declared in the wrong order, that call
    // would land in slot 0, the const overload.
    check(writable_calls > 0 && const_calls == 0,
          "chunk: the component reaches the writable data pointer (slot 1), not the const one",
          "writable %d, const %d", writable_calls, const_calls);
    check(s.track.references == 2, "decoder: run leaves the track handle's count alone",
          "count %ld with one host reference alive", s.track.references);
    // End-of-track and flush flags after an empty list change nothing we can see but must not
    // fault.
    s.list.clear();
    s.instance->run(&s.list, track, dsp_end_of_track);
    s.instance->run(&s.list, track, dsp_flush);
    check(s.list.get_count() == 0,
          "decoder: runs of an empty list with end-of-track and flush flags");
    empty.release_storage();
}

void step_bypass(void* context) {
    session& s = *static_cast<session*>(context);
    if (!have(s.instance, "bypass", "DSP instance")) return;
    set_mode(s, mode_bypass);
    const double minus_3_db = pow(10.0, -3.0 * double(0.05f));
    host_chunk* out = run_one(s, 2, 512, exact_signal);
    if (!check(out != nullptr && out->get_channels() == 2 && out->get_channel_config() == 0x3 &&
                   out->get_sample_count() == 512,
               "bypass: stereo stays stereo, mask 0x3"))
        return;
    size_t mismatches = 0;
    for (size_t i = 0; i < 1024; ++i) {
        // Samples pass through single precision: in, times the factor, rounded once.
        const double expected = double(float(exact_signal(unsigned(i % 2), i / 2) * minus_3_db));
        if (out->get_data()[i] != expected) ++mismatches;
    }
    check(mismatches == 0, "bypass: samples times the -3 dB factor, bit-exact", "%u samples differ",
          unsigned(mismatches));
}

// Delivers a by-value track handle and checks the handler released the copy it was given.
template <typename Deliver>
void check_handle_event(session& s, const char* name, Deliver deliver) {
    metadb_handle_ptr handle(&s.track);
    const long before = s.track.references;
    deliver(handle);  // the compiler copies the handle (one more reference) for the callee
    check(s.track.references == before, name, "count %ld, expected %ld", s.track.references,
          before);
}

void step_play_callbacks(void* context) {
    session& s = *static_cast<session*>(context);
    if (!have(s.callback, "callback", "play callback")) return;
    play_callback_static* cb = s.callback;
    const unsigned flags = cb->get_flags();
    check(flags == 511, "callback: flags subscribe the nine playback events (511)", "got %u",
          flags);
    void* const* object = reinterpret_cast<void* const*>(cb);
    play_callback* events = cb;  // the second table, one pointer into the object
    check(reinterpret_cast<char*>(events) - reinterpret_cast<char*>(cb) == sizeof(void*) &&
              object[1] != nullptr && object[1] != object[0],
          "callback: the play_callback table sits one pointer (+8 x64, +4 x86) into the object");

    // Keep the tray icon out of the way: a console host has no notification area to speak of.
    settings_stream tray_off;
    tray_off.append_record(tray_icon_key, 0);
    load_settings(s, tray_off);

    const long base = s.track.references;
    events->on_playback_starting(0, false);
    check_handle_event(s, "callback: new track releases the by-value handle it was given",
                       [&](metadb_handle_ptr& h) { events->on_playback_new_track(h); });
    check_handle_event(s, "callback: edited releases the by-value handle it was given",
                       [&](metadb_handle_ptr& h) { events->on_playback_edited(h); });
    check(s.track.references == base, "callback: the handle's count is back where it started",
          "count %ld, expected %ld", s.track.references, base);

    // The headphone mode holds half a block back and releases it with the next half. A flush,
    // a seek and a stop reset the engine: the half block waiting is forgotten, so the next half
    // block is held back again instead of completing it.
    if (s.instance != nullptr) {
        set_mode(s, mode_headphone);
        s.instance->flush();
        check(run_one(s, 2, headphone_block / 2, stereo_signal) == nullptr,
              "headphone: the first half block is held back (chunk dropped)");
        host_chunk* block = run_one(s, 2, headphone_block / 2, stereo_signal);
        check(block != nullptr && block->get_channels() == 2 &&
                  block->get_sample_count() == headphone_block && all_finite(*block, 4.0) &&
                  channel_energy(*block, 0) > 0.0 && channel_energy(*block, 1) > 0.0,
              "headphone: the second half completes an 8192-frame binaural block");
        run_one(s, 2, headphone_block / 2, stereo_signal);
        s.instance->flush();
        check(run_one(s, 2, headphone_block / 2, stereo_signal) == nullptr,
              "dsp: flush resets the engine (waiting half block forgotten)");
        events->on_playback_seek(12.5);
        check(run_one(s, 2, headphone_block / 2, stereo_signal) == nullptr,
              "callback: seek resets the engine (waiting half block forgotten)");
        events->on_playback_stop(0);
        check(run_one(s, 2, headphone_block / 2, stereo_signal) == nullptr,
              "callback: stop resets the engine (waiting half block forgotten)");
        events->on_playback_pause(true);
        events->on_playback_time(3.0);
        events->on_volume_change(-6.0f);
        const file_info& info = *reinterpret_cast<const file_info*>(&s.track);
        events->on_playback_dynamic_info(info);
        events->on_playback_dynamic_info_track(info);
        check(run_one(s, 2, headphone_block / 2, stereo_signal) != nullptr,
              "callback: pause, time, volume and dynamic info leave the engine alone");
    }
    events->on_playback_stop(1);
}

void step_settings_streams(void* context) {
    session& s = *static_cast<session*>(context);
    auto* with_result = reinterpret_cast<foobar2000_client_with_result*>(s.client);
    host_writer saved;
    int value = 0;

    // A stream cut inside a record's payload: what came before it loads, the rest does not, and
    // our component says so through the result the player ignores.
    settings_stream cut;
    cut.append_record(mode_key, int(mode_bypass));
    cut.append_bytes(&surround_delay_key, 16);
    cut.append_u32(4);
    cut.append_bytes("\x37\x00", 2);
    {
        host_reader reader(cut.bytes, cut.size);
        const bool result = with_result->set_config(&reader, s.abort);
        check(!result, "settings: a stream cut inside a payload is reported as a read error");
        check(reader.object_calls == 0,
              "settings: only read and skip are used, never the throwing ones");
    }
    save_settings(s, saved);
    const bool mode_loaded = find_setting(saved.bytes, saved.size, mode_key, value) && value == 0;
    check(mode_loaded && find_setting(saved.bytes, saved.size, surround_delay_key, value) &&
              value == 20,
          "settings: records before the cut are loaded, the cut one is not");
    if (s.instance != nullptr) {
        host_chunk* out = run_one(s, 2, 256, exact_signal);
        check(out != nullptr && out->get_channels() == 2,
              "settings: the mode loaded from the cut stream is in effect (bypass: stereo out)");
    }

    // Every setting to a value of its own (negative ones too), loaded, saved and compared.
    settings_stream all;
    all.append_bytes(s.defaults.bytes, s.defaults.size);
    for (int i = 0; i < setting_count; ++i) {
        const unsigned v = unsigned(i % 2 ? -i : i);
        for (int b = 0; b < 4; ++b)
            all.bytes[i * setting_record_size + 20 + b] = (v >> 8 * b) & 255;
    }
    load_settings(s, all);
    save_settings(s, saved);
    check(saved.size == all.size && same_bytes(saved.bytes, all.bytes, saved.size),
          "settings: save after load gives back all nineteen values, negatives included");

    // Reloading the first save restores it byte for byte.
    load_settings(s, s.defaults);
    save_settings(s, saved);
    check(saved.size == s.defaults.size && same_bytes(saved.bytes, s.defaults.bytes, saved.size),
          "settings: reloading the first save restores it byte for byte");
}

void step_release(void* context) {
    session& s = *static_cast<session*>(context);
    if (s.instance != nullptr) {
        dsp* instance = s.instance;
        s.instance = nullptr;
        const int added = instance->service_add_ref();
        const int after_one = instance->service_release();
        const int left = instance->service_release();
        check(added == 2 && after_one == 1 && left == 0,
              "release: the instance counts references and the last release reaches 0",
              "add %d, release %d, last release %d", added, after_one, left);
    }
    for (host_chunk& chunk : s.chunks) chunk.release_storage();
    if (s.module != nullptr) {
        const BOOL freed = FreeLibrary(s.module);
        s.module = nullptr;
        check(freed != FALSE, "release: FreeLibrary", "error %lu", GetLastError());
    }
    check(s.track.references == 1, "release: the track handle holds only the host's reference",
          "count %ld", s.track.references);
    check(s.api.calls == 0, "release: the component did not need the player's API object",
          "%d calls", s.api.calls);
}

// The first argument of the command line, quotes removed: what follows the program's own name.
const WCHAR* dll_path_argument(WCHAR* p) {
    const WCHAR end_of_name = *p == u'"' ? u'"' : u' ';
    for (++p; *p != u'\0' && *p != end_of_name; ++p) {
    }
    while (*p == u'"' || *p == u' ') ++p;
    WCHAR* last = p;
    while (*last != u'\0' && *last != u'"') ++last;
    *last = u'\0';
    return *p != u'\0' ? p : nullptr;
}

}  // namespace

extern "C" void __stdcall host_main() {
    session s;
    s.dll_path = dll_path_argument(GetCommandLineW());
    if (s.dll_path == nullptr) {
        print_line("usage: msabi_host.exe <path of the component DLL>");
        ExitProcess(2);
    }
    run_guarded("load", step_load, &s);
    if (s.client != nullptr) {
        struct named_step {
            const char* name;
            host_step step;
        };
        const named_step steps[] = {
            {"client", step_client},           {"factories", step_factories},
            {"version", step_version_strings}, {"entry", step_dsp_entry},
            {"instantiate", step_instantiate}, {"saved defaults", step_saved_defaults},
            {"decoder", step_decoder_mode},    {"bypass", step_bypass},
            {"callback", step_play_callbacks}, {"settings", step_settings_streams},
        };
        for (const named_step& step : steps) run_guarded(step.name, step.step, &s);
    }
    run_guarded("release", step_release, &s);
    print_line("%d passed, %d failed", passed_count(), failed_count());
    ExitProcess(failed_count() == 0 ? 0u : failed_count() < 100 ? UINT(failed_count()) : 100u);
}
