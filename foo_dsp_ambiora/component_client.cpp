// The module's export and the client object the host talks to first: it lists the service
// factories and loads and saves the settings.
#include <cstdint>

#include "client.h"
#include "module_state.h"
#include "settings.h"
#include "shared_engine.h"

namespace ambiora {
namespace {

// The interface level the host checks before it uses anything else. We report the lowest level
// each player accepts, so the component loads in as many players as possible: every 32-bit player
// released since 2011 refuses anything below 72 (71, the level our interfaces were first written
// against, is already too old for them), and the 64-bit player refuses anything below 80. Every
// interface we implement or call is laid out slot for slot the same at both levels. The Linux
// build follows the 32-bit player, whose float samples it shares.
#if defined(_WIN64)
constexpr std::uint32_t client_version = 80;
#else
constexpr std::uint32_t client_version = 72;
#endif

class client_ambiora final : public foobar2000_client {
  public:
    std::uint32_t get_version() override { return client_version; }
    service_factory_base* get_service_list() override { return service_factory_base::list_head(); }

    void get_config(stream_writer* stream, abort_callback& abort) override {
        try {
            if (stream != nullptr) cfg_var::config_write(*stream, abort);
        } catch (...) {
        }
    }

    bool set_config(stream_reader* stream, abort_callback& abort) override {
        try {
            return stream == nullptr || cfg_var::config_read(*stream, abort);
        } catch (...) {
            return false;
        }
    }

    // Only the file name is of use to us (the version service reports it).
    void set_library_path(const char*, const char* name) override {
        try {
            module().library_file_name = name != nullptr ? name : "";
        } catch (...) {
        }
    }

    void services_init(bool) override {}
    bool is_debug() override { return false; }
};

client_ambiora client;

}  // namespace

module_state& module() {
    static module_state state;
    return state;
}

}  // namespace ambiora

// May be called more than once; each call returns the same client. The component asks nothing of
// the player's API object, and finds its own resources from its code's address (the dialog) or
// the handle the loader gave DllMain (the tray), so neither argument is kept.
//
// The host calls this right after loading the module, outside the loader lock, so this is where
// the engine is built: before the host can reach a service that uses it.
extern "C" foobar2000_client* foobar2000_get_interface(foobar2000_api*, HINSTANCE) {
    ambiora::build_shared_engine();
    return &ambiora::client;
}
