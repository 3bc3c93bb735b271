// The host simulator's loader: brings up a component the way the player does and hands tests and
// tools its services.
//
// It loads the library (or takes an entry point linked into this process), calls
// foobar2000_get_interface, checks the client version, walks the service factory list by reading
// each factory's data members directly as the player does, hands back a stored settings stream,
// and finds the DSP entry and the play callbacks by class GUID.
//
// Threading: one thread drives a component_host; the play-callback calls may come from another
// thread than the chunk processing, as in the player.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "client.h"
#include "componentversion.h"
#include "dsp.h"
#include "host_api.h"
#include "host_objects.h"
#include "play_callback.h"

namespace host_sim {

// Which player the simulator stands in for: the x64 player hands out double samples, the x86
// player (and our Linux build, which follows it) floats.
enum class player_build { x86, x64 };
inline constexpr player_build this_player =
    sizeof(audio_sample) == sizeof(double) ? player_build::x64 : player_build::x86;

// Whether that player loads a component reporting client `version`: every x86 release since 2011
// needs 72 or more, the x64 player 80 or more.
bool player_accepts_client(std::uint32_t version, player_build player);

struct factory_record {
    service_factory_base* factory;
    GUID class_guid;
};

class component_host {
  public:
    // Loads a component library from disk. Returns null and sets `error` on failure.
    static std::unique_ptr<component_host> load(const std::string& path, std::string& error);
    // Drives a component linked into this process through its entry point.
    static std::unique_ptr<component_host> attach(foobar2000_get_interface_t entry,
                                                  std::string& error);
    ~component_host();

    foobar2000_client& client() { return *client_; }

    // The player's start-up after the export: library path, stored settings, services ready.
    // Returns what the client's settings load reported (false: the stream ended inside a record).
    bool start(const std::vector<unsigned char>* stored_settings = nullptr,
               const char* library_file_name = "foo_dsp_ambiora.dll");

    // The factory list as the player sees it, head first.
    std::vector<factory_record> factories() const;
    // A new reference to the first service whose factory has `class_guid`, or null.
    service_ptr create_service(const GUID& class_guid) const;
    template <typename T>
    service_ptr_t<T> create() const {
        service_ptr s = create_service(T::class_guid);
        service_ptr_t<T> typed;
        typed.attach(static_cast<T*>(s.detach()));
        return typed;
    }

    // Settings through the client object.
    std::vector<unsigned char> save_settings();
    bool load_settings(const std::vector<unsigned char>& stream);

    // A DSP instance made from the entry's default preset.
    service_ptr_t<dsp> instantiate_default();

    // The component's play callbacks (every play_callback_static it registers).
    std::vector<service_ptr_t<play_callback_static>> play_callbacks() const;
    // Event delivery, honouring each callback's subscription flags.
    void playback_starting();
    void playback_new_track(host_track& track);
    void playback_stop();
    void playback_seek(double seconds);

  private:
    component_host() = default;
    bool connect(foobar2000_get_interface_t entry, std::string& error);

    void* library_ = nullptr;
    foobar2000_client* client_ = nullptr;
    std::unique_ptr<host_api> api_;
    host_abort abort_;
};

// Runs `chunks` through `instance` in one call, as the player's DSP manager does, and returns the
// chunks left in the list afterwards.
std::vector<host_chunk> run_chunks(dsp& instance, std::vector<host_chunk> chunks, int flags = 0);

// Convenience: one interleaved chunk through the instance; returns the chunks that came out.
std::vector<host_chunk> run_chunk(dsp& instance, const std::vector<audio_sample>& samples,
                                  unsigned channels, unsigned rate);

}  // namespace host_sim
