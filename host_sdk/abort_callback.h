// The host's cancellation flag, handed to every stream operation.
#pragma once

#include "platform.h"

class abort_callback {
  public:
    virtual bool is_aborting() const = 0;
    // An event object that is signalled when aborting (a null handle where there is none).
    virtual HANDLE get_abort_event() const = 0;

  protected:
    abort_callback() = default;
    ~abort_callback() = default;
};
