// The component, brought up in this process the way the player brings it up: through its entry
// point foobar2000_get_interface and the host simulator. Every command talks to the component
// only through this (and the settings it shares with its dialog).
#pragma once

#include <memory>
#include <vector>

#include "component_host.h"

namespace ambiora_cli {

class component_session {
  public:
    // `stored_settings`, when given, is handed back as the player hands back the configuration it
    // kept. Throws run_error when the component does not come up or refuses the stream.
    explicit component_session(const std::vector<unsigned char>* stored_settings = nullptr);
    ~component_session();
    component_session(const component_session&) = delete;
    component_session& operator=(const component_session&) = delete;

    host_sim::component_host& host() { return *host_; }

    // A DSP instance from the entry's default preset, as the player makes one for its chain.
    service_ptr_t<dsp> new_instance();

    // The settings stream as the player would store it.
    std::vector<unsigned char> saved_settings();

    // What the player does when the user seeks: the play callbacks hear of it (and reset the
    // engine).
    void seek(double seconds);

  private:
    std::unique_ptr<host_sim::component_host> host_;
};

}  // namespace ambiora_cli
