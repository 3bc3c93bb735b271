// The component's preset: it carries no data, because every parameter lives in the global
// settings and all instances in all chains share them.
#pragma once

#include "dsp.h"

namespace ambiora {

class dsp_dummy_preset final : public dsp_preset {
  public:
    // The one preset object, made on first use and kept until the module unloads.
    static dsp_dummy_preset& instance();

    GUID* get_owner(GUID* out) const override;
    void set_owner(const GUID&) override {}
    const void* get_data() const override { return nullptr; }
    std::size_t get_data_size() const override { return 0; }
    void set_data(const void*, std::size_t) override {}
    void set_data_from_stream(stream_reader*, std::size_t, abort_callback&) override {}
};

}  // namespace ambiora
