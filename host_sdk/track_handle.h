// Track handles: the player's reference-counted description of a playable item. The component
// never looks inside one; it only has to hold and release references correctly.
#pragma once

#include "service.h"

class metadb_handle : public service_base {
  protected:
    metadb_handle() = default;
    ~metadb_handle() = default;
};
using metadb_handle_ptr = service_ptr_t<metadb_handle>;

// A track handle passed *by value* to a play-callback handler.
//
// The player's handle is a smart pointer with a destructor. Microsoft's compiler has the callee
// destroy such an argument; g++ would have the caller do it. So the handler receives it as a
// trivially copyable record holding the one pointer and releases the reference itself. On x86 the
// record travels on the stack; on x64 Microsoft passes a non-trivial object by the address of a
// caller-made copy, so there the parameter is a pointer to the record.
struct track_handle_value {
    metadb_handle* handle;
};
#if defined(_WIN32) && !defined(_WIN64)
using track_handle_arg = track_handle_value;
inline metadb_handle* track_handle_of(track_handle_arg arg) {
    return arg.handle;
}
#else
using track_handle_arg = track_handle_value*;
inline metadb_handle* track_handle_of(track_handle_arg arg) {
    return arg != nullptr ? arg->handle : nullptr;
}
#endif

// Releases the reference a by-value handle carried into the handler.
inline void release_track_handle(track_handle_arg arg) {
    if (metadb_handle* h = track_handle_of(arg)) h->service_release();
}
