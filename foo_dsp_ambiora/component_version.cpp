#include "component_version.h"

#include <string>

#include "module_state.h"

namespace ambiora {

bool componentversion_impl_simple::service_query(service_ptr& out, const GUID& guid) {
    if (guid != componentversion::class_guid) return false;
    out = static_cast<service_base*>(this);
    return true;
}

// Until the host has told us where we were loaded from, the file name is empty.
void componentversion_impl_simple::get_file_name(string_base& out) {
    out.set(module().library_file_name.c_str());
}

void componentversion_impl_simple::get_component_name(string_base& out) {
    out.set(component_name);
}

void componentversion_impl_simple::get_component_version(string_base& out) {
    out.set(component_version);
}

void componentversion_impl_simple::get_about_message(string_base& out) {
    out.set(maker_web_address);
    out.add_string("\n", string_length_to_terminator);
    out.add_string(copyright_line, string_length_to_terminator);
}

}  // namespace ambiora
