// Version information a component shows in the player's component list.
#pragma once

#include "service.h"
#include "string_base.h"

class componentversion : public service_base {
  public:
    static constexpr GUID class_guid = {
        0x10bb3ebd, 0xddf7, 0x4975, {0xa3, 0xcc, 0x23, 0x08, 0x48, 0x29, 0x45, 0x3e}};

    virtual void get_file_name(string_base& out) = 0;
    virtual void get_component_name(string_base& out) = 0;
    virtual void get_component_version(string_base& out) = 0;
    virtual void get_about_message(string_base& out) = 0;

  protected:
    componentversion() = default;
    ~componentversion() = default;
};
