// The object a component returns from its exported entry point, and the player's API object it
// receives there.
#pragma once

#include <cstdint>

#include "service_factory.h"
#include "stream.h"

// The player's API object. Services are found in two steps: find_class turns a class GUID into an
// opaque handle of the player's, and create and count take that handle, not the GUID.
class foobar2000_api {
  public:
    using service_class_ref = const void*;

    virtual service_class_ref find_class(const GUID& guid) = 0;
    virtual bool create(service_ptr& out, service_class_ref service_class, std::size_t index) = 0;
    virtual std::size_t count(service_class_ref service_class) = 0;
    virtual HWND main_window() = 0;
    virtual bool assert_main_thread() = 0;
    virtual bool is_main_thread() = 0;
    virtual bool is_shutting_down() = 0;
    virtual const char* profile_path() = 0;
    virtual bool is_initializing() = 0;
    virtual bool is_portable_mode() = 0;
    virtual bool is_quiet_mode() = 0;

  protected:
    foobar2000_api() = default;
    ~foobar2000_api() = default;
};

class foobar2000_client {
  public:
    virtual std::uint32_t get_version() = 0;
    virtual service_factory_base* get_service_list() = 0;
    virtual void get_config(stream_writer* stream, abort_callback& abort) = 0;
    // The player declares this slot as returning nothing and learns of failure by an exception.
    // Exceptions cannot cross from our code into the player's, so we report by result instead:
    // false when the stream ended inside a record. A caller that ignores the result (the player)
    // loses nothing, because everything readable has been loaded by then.
    virtual bool set_config(stream_reader* stream, abort_callback& abort) = 0;
    virtual void set_library_path(const char* path, const char* name) = 0;
    virtual void services_init(bool initialised) = 0;
    virtual bool is_debug() = 0;

  protected:
    foobar2000_client() = default;
    ~foobar2000_client() = default;
};

// The component's one export.
extern "C" {
#if defined(_WIN32)
__declspec(dllexport) foobar2000_client* __cdecl foobar2000_get_interface(foobar2000_api* api,
                                                                          HINSTANCE module);
#else
__attribute__((visibility("default"))) foobar2000_client* foobar2000_get_interface(
    foobar2000_api* api, HINSTANCE module);
#endif
using foobar2000_get_interface_t = foobar2000_client* (*)(foobar2000_api*, HINSTANCE);
}
