// The player's interfaces written the way a Microsoft-compiled player declares them, so that
// clang targeting x86_64-pc-windows-msvc or i686-pc-windows-msvc lays out the tables and makes the
// calls exactly as the player does: GUIDs returned by value, the chunk's data-pointer overloads in
// source order (non-const first), the track handle passed by value as a smart pointer with a
// destructor, protected non-virtual destructors, and a configuration read that returns nothing.
// On x86 every member function is thiscall (this in ECX, the callee pops its stack arguments),
// clang's default there as it is Microsoft's.
//
// Deliberately independent of host_sdk/: those headers are shaped for g++ so that g++ produces
// this binary interface; sharing them here would hide the very mistakes this host looks for.
#pragma once

#include "host_runtime.h"

// The entry class the player enumerates DSPs by; the host and the start-up timer both look for it.
inline constexpr GUID dsp_entry_class = {
    0x0d048731, 0x8aa8, 0x4704, {0x8a, 0xd6, 0x18, 0x9e, 0x24, 0xd4, 0x8c, 0x88}};

#if defined(_WIN64)
using audio_sample = double;  // the 64-bit player's sample
#else
using audio_sample = float;  // the 32-bit player's
#endif

class service_base {
  public:
    virtual int service_release() = 0;
    virtual int service_add_ref() = 0;
    virtual bool service_query(class service_ptr_base& out, const GUID& guid) = 0;

  protected:
    ~service_base() = default;
};

// One raw pointer wide; whoever stores into one adds a reference to the new object and releases
// the old one.
class service_ptr_base {
  public:
    service_base* raw = nullptr;
};

template <typename T>
class service_ptr_t : public service_ptr_base {
  public:
    service_ptr_t() = default;
    service_ptr_t(T* p) { assign(p); }
    service_ptr_t(const service_ptr_t& other) { assign(other.get()); }
    service_ptr_t& operator=(const service_ptr_t&) = delete;
    ~service_ptr_t() { assign(nullptr); }
    void assign(T* p) {
        if (p != nullptr) p->service_add_ref();
        service_base* old = raw;
        raw = p;
        if (old != nullptr) old->service_release();
    }
    T* get() const { return static_cast<T*>(raw); }
    T* operator->() const { return get(); }
};
using service_ptr = service_ptr_t<service_base>;
static_assert(sizeof(service_ptr) == sizeof(void*));

class service_factory_base {
  public:
    virtual void instance_create(service_ptr& out) = 0;

    // Read directly by the player, in this order, right after the table pointer.
    service_factory_base* next_factory;
    const GUID& class_guid;

  protected:
    explicit service_factory_base(const GUID& guid) : next_factory(nullptr), class_guid(guid) {}
    ~service_factory_base() = default;
};

class abort_callback {
  public:
    virtual bool is_aborting() const = 0;
    virtual HANDLE get_abort_event() const = 0;

  protected:
    ~abort_callback() = default;
};

class stream_reader {
  public:
    virtual size_t read(void* buffer, size_t bytes, abort_callback& abort) = 0;
    virtual void read_object(void* buffer, size_t bytes, abort_callback& abort) = 0;
    virtual unsigned long long skip(unsigned long long bytes, abort_callback& abort) = 0;
    virtual void skip_object(unsigned long long bytes, abort_callback& abort) = 0;

  protected:
    ~stream_reader() = default;
};

class stream_writer {
  public:
    virtual void write(const void* buffer, size_t bytes, abort_callback& abort) = 0;

  protected:
    ~stream_writer() = default;
};

class string_base {
  public:
    virtual void add_string(const char* text, size_t length) = 0;
    virtual const char* get_ptr() const = 0;
    virtual void set_string(const char* text, size_t length) = 0;
    virtual void truncate(size_t length) = 0;
    virtual size_t get_length() const = 0;
    virtual char* lock_buffer(size_t length) = 0;
    virtual void unlock_buffer() = 0;

  protected:
    ~string_base() = default;
};

class foobar2000_api {
  public:
    virtual const void* find_class(const GUID& guid) = 0;  // an opaque class handle
    virtual bool create(service_ptr& out, const void* cls, size_t index) = 0;
    virtual size_t count(const void* cls) = 0;
    virtual HWND main_window() = 0;
    virtual bool assert_main_thread() = 0;
    virtual bool is_main_thread() = 0;
    virtual bool is_shutting_down() = 0;
    virtual const char* profile_path() = 0;
    virtual bool is_initializing() = 0;
    virtual bool is_portable_mode() = 0;
    virtual bool is_quiet_mode() = 0;

  protected:
    ~foobar2000_api() = default;
};

class foobar2000_client {
  public:
    virtual unsigned get_version() = 0;
    virtual service_factory_base* get_service_list() = 0;
    virtual void get_config(stream_writer* stream, abort_callback& abort) = 0;
    virtual void set_config(stream_reader* stream, abort_callback& abort) = 0;
    virtual void set_library_path(const char* path, const char* name) = 0;
    virtual void services_init(bool initialised) = 0;
    virtual bool is_debug() = 0;

  protected:
    ~foobar2000_client() = default;
};

// The same table read with slot 3 returning a bool: our component reports a stream that ended
// inside a record there, which the player (declaring it void) ignores.
class foobar2000_client_with_result {
  public:
    virtual unsigned get_version() = 0;
    virtual service_factory_base* get_service_list() = 0;
    virtual void get_config(stream_writer* stream, abort_callback& abort) = 0;
    virtual bool set_config(stream_reader* stream, abort_callback& abort) = 0;

  protected:
    ~foobar2000_client_with_result() = default;
};

using get_interface_fn = foobar2000_client*(__cdecl*)(foobar2000_api* api, HINSTANCE module);

class componentversion : public service_base {
  public:
    virtual void get_file_name(string_base& out) = 0;
    virtual void get_component_name(string_base& out) = 0;
    virtual void get_component_version(string_base& out) = 0;
    virtual void get_about_message(string_base& out) = 0;

  protected:
    ~componentversion() = default;
};

class metadb_handle : public service_base {
  protected:
    ~metadb_handle() = default;
};
using metadb_handle_ptr = service_ptr_t<metadb_handle>;

class audio_chunk {
  public:
    // The player's own order; Microsoft's compiler groups the pair and reverses it, so the const
    // overload lands in slot 0 and this one in slot 1.
    virtual audio_sample* get_data() = 0;
    virtual const audio_sample* get_data() const = 0;
    virtual size_t get_data_size() const = 0;
    virtual void set_data_size(size_t samples) = 0;
    virtual unsigned get_srate() const = 0;
    virtual void set_srate(unsigned rate) = 0;
    virtual unsigned get_channels() const = 0;
    virtual unsigned get_channel_config() const = 0;
    virtual void set_channels(unsigned count, unsigned mask) = 0;
    virtual size_t get_sample_count() const = 0;
    virtual void set_sample_count(size_t frames) = 0;

  protected:
    ~audio_chunk() = default;
};

class bit_array {
  public:
    virtual bool get(size_t index) const = 0;
    virtual size_t find(bool value, size_t start, ptrdiff_t count) const = 0;

  protected:
    ~bit_array() = default;
};

class dsp_chunk_list {
  public:
    virtual size_t get_count() const = 0;
    virtual audio_chunk* get_item(size_t index) const = 0;
    virtual void remove_by_idx(size_t index) = 0;
    virtual void remove_mask(const bit_array& mask) = 0;
    virtual audio_chunk* insert_item(size_t index, size_t hint_size) = 0;

  protected:
    ~dsp_chunk_list() = default;
};

class dsp_preset {
  public:
    virtual GUID get_owner() const = 0;
    virtual void set_owner(const GUID& owner) = 0;
    virtual const void* get_data() const = 0;
    virtual size_t get_data_size() const = 0;
    virtual void set_data(const void* data, size_t bytes) = 0;
    virtual void set_data_from_stream(stream_reader* stream, size_t bytes,
                                      abort_callback& abort) = 0;

  protected:
    ~dsp_preset() = default;
};

enum dsp_run_flags : int { dsp_end_of_track = 1, dsp_flush = 2 };

class dsp : public service_base {
  public:
    virtual void run(dsp_chunk_list* list, const metadb_handle_ptr& track, int flags) = 0;
    virtual void flush() = 0;
    virtual double get_latency() = 0;
    virtual bool need_track_change_mark() = 0;

  protected:
    ~dsp() = default;
};

class dsp_entry : public service_base {
  public:
    virtual void get_name(string_base& out) = 0;
    virtual bool get_default_preset(dsp_preset& out) = 0;
    virtual bool instantiate(service_ptr_t<dsp>& out, const dsp_preset& preset) = 0;
    virtual GUID get_guid() = 0;
    virtual bool have_config_popup() = 0;
    virtual bool show_config_popup(dsp_preset& preset, HWND parent) = 0;

  protected:
    ~dsp_entry() = default;
};

class file_info;  // handed over by reference only, never looked into

class play_callback {
  public:
    virtual void on_playback_starting(int command, bool paused) = 0;
    virtual void on_playback_new_track(metadb_handle_ptr track) = 0;
    virtual void on_playback_stop(int reason) = 0;
    virtual void on_playback_seek(double seconds) = 0;
    virtual void on_playback_pause(bool paused) = 0;
    virtual void on_playback_edited(metadb_handle_ptr track) = 0;
    virtual void on_playback_dynamic_info(const file_info& info) = 0;
    virtual void on_playback_dynamic_info_track(const file_info& info) = 0;
    virtual void on_playback_time(double seconds) = 0;
    virtual void on_volume_change(float new_level) = 0;

  protected:
    ~play_callback() = default;
};

class play_callback_static : public service_base, public play_callback {
  public:
    virtual unsigned get_flags() = 0;

  protected:
    ~play_callback_static() = default;
};
