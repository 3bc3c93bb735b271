// What the component tells the player's component list about itself.
#pragma once

#include "componentversion.h"
#include "service_factory.h"

namespace ambiora {

inline constexpr const char* component_name = "Ambiora Processor";
inline constexpr const char* component_version = "0.1.6a";
inline constexpr const char* maker_web_address = "https://ambiora.example.org/processor";
inline constexpr const char* copyright_line = "Copyright (c) 2026 Ambiora developers";

class componentversion_impl_simple : public componentversion {
  public:
    bool service_query(service_ptr& out, const GUID& guid) override;
    void get_file_name(string_base& out) override;
    void get_component_name(string_base& out) override;
    void get_component_version(string_base& out) override;
    void get_about_message(string_base& out) override;
};

// The version service's factory carries the service itself and hands out that one instance.
class componentversion_impl_simple_factory
    : public service_factory_single_t<componentversion_impl_simple> {};

}  // namespace ambiora
