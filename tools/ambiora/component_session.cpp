#include "component_session.h"

#include "messages.h"

namespace ambiora_cli {

component_session::component_session(const std::vector<unsigned char>* stored_settings) {
    std::string error;
    host_ = host_sim::component_host::attach(&foobar2000_get_interface, error);
    if (!host_) throw run_error("the component did not come up: " + error);
    if (!host_->start(stored_settings)) {
        throw run_error("the component could not read the stored settings (a record is cut short)");
    }
}

component_session::~component_session() = default;

service_ptr_t<dsp> component_session::new_instance() {
    service_ptr_t<dsp> instance = host_->instantiate_default();
    if (!instance) throw run_error("the component made no DSP instance");
    return instance;
}

std::vector<unsigned char> component_session::saved_settings() {
    return host_->save_settings();
}

void component_session::seek(double seconds) {
    host_->playback_seek(seconds);
}

}  // namespace ambiora_cli
