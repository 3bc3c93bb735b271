// What the module learns about its surroundings from the host: the file name it was loaded from,
// which the version service reports.
//
// Written by the client object on the host's main thread during start-up, before any service is
// used; read later from any thread.
#pragma once

#include <string>

namespace ambiora {

struct module_state {
    std::string library_file_name;  // "" until the host has said
};

module_state& module();

}  // namespace ambiora
