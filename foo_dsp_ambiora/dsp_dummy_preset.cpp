#include "dsp_dummy_preset.h"

#include "dsp/dsp_ambiora.h"

namespace ambiora {

dsp_dummy_preset& dsp_dummy_preset::instance() {
    static dsp_dummy_preset preset;
    return preset;
}

GUID* dsp_dummy_preset::get_owner(GUID* out) const {
    *out = dsp_ambiora::g_get_guid();
    return out;
}

}  // namespace ambiora
