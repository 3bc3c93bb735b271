// What the module learns about its surroundings from the host.
//
// Written by the export and the client object, on the host's main thread during start-up; read
// later from any thread. The two strings are written once before any service is used.
#pragma once

#include <string>

#include "client.h"

namespace ambiora {

struct module_state {
    foobar2000_api* host_api = nullptr;  // the player's API object
    HINSTANCE module_instance = nullptr; // this module, for its resources
    std::string library_path;            // folder the host loaded us from
    std::string library_file_name;       // our file name, reported by the version service
    bool services_initialised = false;
};

module_state& module();

}  // namespace ambiora
