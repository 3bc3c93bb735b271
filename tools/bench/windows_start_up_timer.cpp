// Times the component's start-up as the player meets it, in one process under the Microsoft ABI:
//
//   load library   LoadLibraryW of the DLL (its imports, static constructors, DllMain)
//   get interface  foobar2000_get_interface, which builds the engine: response spectra, the
//                  wisdom cache and the measured transform plans
//   create DSP     the stored mode set to the headphone mode, the DSP instantiated from its
//                  default preset
//   first output   1024-frame stereo chunks at 44.1 kHz run until the DSP hands one back (the
//                  headphone mode collects a block before its first output)
//
// Prints one "step <name> <ms>" line per step and a "total" line, timed by the performance
// counter; exits non-zero if a step fails.
//
// usage: windows_start_up_timer.exe [--preload-system-dlls] <path of the component DLL>
//
// With --preload-system-dlls the system DLLs the component imports are loaded before the clock
// starts, as the player has long loaded them for itself; without it the process is cold and the
// load step pays for them too. Built by tests/msabi_host/build.sh, run by
// tools/bench/windows_start_up.sh.
#include "host_objects.h"
#include "settings_records.h"

namespace {

constexpr unsigned mode_headphone = 5;
constexpr unsigned rate = 44100;
constexpr size_t chunk_frames = 1024;
constexpr int most_chunks = 64;  // 1.5 s of audio: far more than any mode holds back

// The component's imports beyond kernel32 and msvcrt, which every process has (see
// `x86_64-w64-mingw32-objdump -p foo_dsp_ambiora.dll`).
constexpr const WCHAR* system_dlls[] = {u"USER32.dll", u"COMCTL32.dll", u"SHELL32.dll",
                                        u"ole32.dll"};

[[noreturn]] void fail(const char* what) {
    print_line("FAIL %s (error %lu)", what, GetLastError());
    ExitProcess(1);
}

double tone(unsigned channel, size_t i) {
    return 0.25 * sin(double(i) * (channel == 0 ? 0.0627 : 0.1421));
}

// Splits off the next argument of a command line, quotes removed; null when there is none.
WCHAR* next_argument(WCHAR*& p) {
    while (*p == u' ' || *p == u'\t') ++p;
    if (*p == u'\0') return nullptr;
    const WCHAR end = *p == u'"' ? u'"' : u' ';
    if (end == u'"') ++p;
    WCHAR* start = p;
    while (*p != u'\0' && *p != end && !(end == u' ' && *p == u'\t')) ++p;
    if (*p != u'\0') *p++ = u'\0';
    return start;
}

bool same_argument(const WCHAR* a, const char* b) {
    for (; *a != u'\0' && *b != '\0'; ++a, ++b) {
        if (*a != WCHAR(*b)) return false;
    }
    return *a == u'\0' && *b == '\0';
}

class stopwatch {
  public:
    stopwatch() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
        lap_ = start_;
    }
    // Prints the time since the last lap (or the start) under `step`.
    void lap(const char* step) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        print_line("step %s %.3f", step, milliseconds(lap_, now));
        lap_ = now;
    }
    void total() { print_line("total %.3f", milliseconds(start_, lap_)); }

  private:
    double milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) const {
        return double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency_.QuadPart);
    }
    LARGE_INTEGER frequency_, start_, lap_;
};

dsp_entry* find_dsp_entry(foobar2000_client* client) {
    for (service_factory_base* f = client->get_service_list(); f != nullptr; f = f->next_factory) {
        if (!same_bytes(&f->class_guid, &dsp_entry_class, sizeof(GUID))) continue;
        // The factory's services are static: the reference this takes is never the last.
        service_ptr service;
        f->instance_create(service);
        return static_cast<dsp_entry*>(service.get());
    }
    return nullptr;
}

}  // namespace

extern "C" void __stdcall host_main() {
    WCHAR* line = GetCommandLineW();
    next_argument(line);  // the program's own name
    WCHAR* argument = next_argument(line);
    const bool preload = argument != nullptr && same_argument(argument, "--preload-system-dlls");
    const WCHAR* dll_path = preload ? next_argument(line) : argument;
    if (dll_path == nullptr) {
        print_line("usage: windows_start_up_timer.exe [--preload-system-dlls] <component DLL>");
        ExitProcess(2);
    }
    if (preload) {
        for (const WCHAR* name : system_dlls) {
            if (LoadLibraryW(name) == nullptr) fail("preloading a system DLL");
        }
    }
    print_line("system DLLs %s", preload ? "preloaded, as in the player" : "not preloaded (cold)");

    host_api api;
    host_abort abort;
    host_preset preset;
    host_counted track;
    host_chunk chunk;
    host_chunk_list list;
    settings_stream headphone_mode;
    headphone_mode.append_record(mode_key, int(mode_headphone));

    stopwatch clock;
    HMODULE module = LoadLibraryW(dll_path);
    if (module == nullptr) fail("LoadLibraryW");
    clock.lap("load_library");

    auto entry = reinterpret_cast<get_interface_fn>(
        reinterpret_cast<void*>(GetProcAddress(module, "foobar2000_get_interface")));
    if (entry == nullptr) fail("no export foobar2000_get_interface");
    foobar2000_client* client = entry(&api, module);
    if (client == nullptr) fail("foobar2000_get_interface returned no client");
    clock.lap("get_interface");

    host_reader reader(headphone_mode.bytes, headphone_mode.size);
    client->set_config(&reader, abort);
    dsp_entry* dsp_factory = find_dsp_entry(client);
    if (dsp_factory == nullptr || !dsp_factory->get_default_preset(preset)) fail("no DSP entry");
    service_ptr_t<dsp> instance;
    if (!dsp_factory->instantiate(instance, preset) || instance.get() == nullptr)
        fail("instantiate");
    clock.lap("create_dsp");

    metadb_handle_ptr track_handle(&track);
    int chunks = 0;
    do {
        if (++chunks > most_chunks) fail("no output from the DSP");
        chunk.fill(2, rate, chunk_frames, tone);
        list.clear();
        list.push(&chunk);
        instance->run(&list, track_handle, 0);
    } while (list.get_count() == 0);
    clock.lap("first_output");
    clock.total();
    print_line("chunks %d of %u frames until the first output", chunks, unsigned(chunk_frames));
    ExitProcess(0);
}
