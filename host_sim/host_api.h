// The player's API object, as far as our host simulator provides it.
#pragma once

#include "client.h"

namespace host_sim {

// The player's API object. The component stores it and never needs more than a few answers.
class host_api final : public foobar2000_api {
  public:
    service_class_ref find_class(const GUID&) override { return nullptr; }
    bool create(service_ptr&, service_class_ref, std::size_t) override { return false; }
    std::size_t count(service_class_ref) override { return 0; }
    HWND main_window() override { return nullptr; }
    bool assert_main_thread() override { return true; }
    bool is_main_thread() override { return true; }
    bool is_shutting_down() override { return false; }
    const char* profile_path() override { return "file://./profile"; }
    bool is_initializing() override { return false; }
    bool is_portable_mode() override { return true; }
    bool is_quiet_mode() override { return true; }
};

}  // namespace host_sim
