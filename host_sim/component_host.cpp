#include "component_host.h"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace host_sim {

bool player_accepts_client(std::uint32_t version, player_build player) {
    return version >= (player == player_build::x64 ? 80u : 72u);
}

namespace {

// What the player reads of a factory: the table pointer, then the next factory, then a pointer
// to the class GUID.
struct factory_memory {
    const void* vtable;
    service_factory_base* next;
    const GUID* class_guid;
};

void* open_library(const std::string& path, std::string& error) {
#if defined(_WIN32)
    HMODULE m = LoadLibraryA(path.c_str());
    if (m == nullptr)
        error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return reinterpret_cast<void*>(m);
#else
    // RTLD_NODELETE keeps the component mapped after dlclose, as the player keeps components
    // until it exits. The FFTW library the component brings in keeps its planner caches for the
    // life of the process; unmapping it would strand them, and leak checkers would report them.
    void* m = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (m == nullptr) error = dlerror();
    return m;
#endif
}

void* find_symbol(void* library, const char* name) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
#else
    return dlsym(library, name);
#endif
}

void close_library(void* library) {
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(library));
#else
    dlclose(library);
#endif
}

}  // namespace

std::unique_ptr<component_host> component_host::load(const std::string& path, std::string& error) {
    std::unique_ptr<component_host> host(new component_host);
    host->library_ = open_library(path, error);
    if (host->library_ == nullptr) return nullptr;
    auto entry = reinterpret_cast<foobar2000_get_interface_t>(
        find_symbol(host->library_, "foobar2000_get_interface"));
    if (entry == nullptr) {
        error = path + " does not export foobar2000_get_interface";
        return nullptr;
    }
    if (!host->connect(entry, error)) return nullptr;
    return host;
}

std::unique_ptr<component_host> component_host::attach(foobar2000_get_interface_t entry,
                                                       std::string& error) {
    std::unique_ptr<component_host> host(new component_host);
    if (!host->connect(entry, error)) return nullptr;
    return host;
}

bool component_host::connect(foobar2000_get_interface_t entry, std::string& error) {
    api_ = std::make_unique<host_api>();
    client_ = entry(api_.get(), nullptr);
    if (client_ == nullptr) {
        error = "foobar2000_get_interface returned no client";
        return false;
    }
    if (!player_accepts_client(client_->get_version(), this_player)) {
        error = "the component reports an interface level the player does not accept";
        return false;
    }
    return true;
}

component_host::~component_host() {
    if (client_ != nullptr) client_->services_init(false);
    if (library_ != nullptr) close_library(library_);
}

bool component_host::start(const std::vector<unsigned char>* stored_settings,
                           const char* library_file_name) {
    if (library_file_name != nullptr)
        client_->set_library_path("file://./components", library_file_name);
    bool loaded = true;
    if (stored_settings != nullptr) loaded = load_settings(*stored_settings);
    client_->services_init(true);
    return loaded;
}

std::vector<factory_record> component_host::factories() const {
    std::vector<factory_record> list;
    for (service_factory_base* f = client_->get_service_list(); f != nullptr;) {
        factory_memory memory;
        std::memcpy(&memory, static_cast<const void*>(f), sizeof memory);
        list.push_back({f, *memory.class_guid});
        f = memory.next;
    }
    return list;
}

service_ptr component_host::create_service(const GUID& class_guid) const {
    service_ptr s;
    for (const factory_record& r : factories()) {
        if (r.class_guid == class_guid) {
            r.factory->instance_create(s);
            break;
        }
    }
    return s;
}

std::vector<unsigned char> component_host::save_settings() {
    memory_writer out;
    client_->get_config(&out, abort_);
    return out.bytes();
}

bool component_host::load_settings(const std::vector<unsigned char>& stream) {
    memory_reader in(stream);
    return client_->set_config(&in, abort_);
}

service_ptr_t<dsp> component_host::instantiate_default() {
    service_ptr_t<dsp> instance;
    service_ptr_t<dsp_entry> entry = create<dsp_entry>();
    if (!entry) return instance;
    host_preset preset;
    if (entry->get_default_preset(preset)) entry->instantiate(instance, preset);
    return instance;
}

std::vector<service_ptr_t<play_callback_static>> component_host::play_callbacks() const {
    std::vector<service_ptr_t<play_callback_static>> list;
    for (const factory_record& r : factories()) {
        if (r.class_guid != play_callback_static::class_guid) continue;
        service_ptr s;
        r.factory->instance_create(s);
        service_ptr_t<play_callback_static> typed;
        typed.attach(static_cast<play_callback_static*>(s.detach()));
        list.push_back(typed);
    }
    return list;
}

void component_host::playback_starting() {
    for (auto& cb : play_callbacks()) {
        if (cb->get_flags() & flag_on_playback_starting) {
            static_cast<play_callback*>(cb.get())->on_playback_starting(0, false);
        }
    }
}

void component_host::playback_new_track(host_track& track) {
    for (auto& cb : play_callbacks()) {
        if (!(cb->get_flags() & flag_on_playback_new_track)) continue;
        // A by-value handle: the caller's copy carries one reference, which the handler releases.
        track.service_add_ref();
        track_handle_value value{&track};
#if defined(_WIN32) && !defined(_WIN64)
        static_cast<play_callback*>(cb.get())->on_playback_new_track(value);
#else
        static_cast<play_callback*>(cb.get())->on_playback_new_track(&value);
#endif
    }
}

void component_host::playback_stop() {
    for (auto& cb : play_callbacks()) {
        if (cb->get_flags() & flag_on_playback_stop)
            static_cast<play_callback*>(cb.get())->on_playback_stop(0);
    }
}

void component_host::playback_seek(double seconds) {
    for (auto& cb : play_callbacks()) {
        if (cb->get_flags() & flag_on_playback_seek) {
            static_cast<play_callback*>(cb.get())->on_playback_seek(seconds);
        }
    }
}

std::vector<host_chunk> run_chunks(dsp& instance, std::vector<host_chunk> chunks, int flags) {
    host_chunk_list list;
    for (host_chunk& c : chunks) list.add(std::move(c));
    const metadb_handle_ptr no_track;
    instance.run_chunks(&list, no_track, flags);
    std::vector<host_chunk> out;
    for (std::size_t i = 0; i < list.get_count(); ++i) out.push_back(list.at(i));
    return out;
}

std::vector<host_chunk> run_chunk(dsp& instance, const std::vector<audio_sample>& samples,
                                  unsigned channels, unsigned rate) {
    std::vector<host_chunk> one;
    one.emplace_back(samples, channels, rate);
    return run_chunks(instance, std::move(one));
}

}  // namespace host_sim
