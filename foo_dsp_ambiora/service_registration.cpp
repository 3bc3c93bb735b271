// The component's three services. Each factory joins the head of the module's factory list as it
// is constructed; they are built after the settings (init_order.h), and the host finds them only
// through the entry point, which builds the engine first, so the host cannot reach a service
// before its state exists.
#include "callback_ambiora.h"
#include "component_version.h"
#include "dsp/dsp_ambiora.h"
#include "dsp_impl.h"
#include "init_order.h"
#include "service_factory.h"

namespace ambiora {
namespace {

AMBIORA_INIT_SERVICES componentversion_impl_simple_factory version_factory;
AMBIORA_INIT_SERVICES service_factory_single_t<dsp_entry_impl_t<dsp_ambiora, dsp_entry>>
    dsp_entry_factory;
AMBIORA_INIT_SERVICES service_factory_single_t<callback_ambiora> play_callback_factory;

}  // namespace
}  // namespace ambiora
