#include "component_fixture.h"

#include "settings.h"

namespace ambiora_test {
namespace {

std::unique_ptr<host_sim::component_host> the_host;
std::string early_file_name;

class component_environment final : public ::testing::Environment {
  public:
    void SetUp() override {
        std::string error;
        the_host = host_sim::component_host::attach(&foobar2000_get_interface, error);
        ASSERT_TRUE(the_host) << error;
        // Ask before the host announces the library path, as a component list opened early would.
        if (auto version = the_host->create<componentversion>()) {
            host_sim::host_string name;
            version->get_file_name(name);
            early_file_name = name.str();
        }
        the_host->start();
    }
    void TearDown() override { the_host.reset(); }
};

[[maybe_unused]] auto* const environment =
    ::testing::AddGlobalTestEnvironment(new component_environment);

}  // namespace

host_sim::component_host& host() {
    return *the_host;
}
const std::string& file_name_before_start() {
    return early_file_name;
}

void component_test::SetUp() {
    ambiora::restore_default_settings();
    instance = host().instantiate_default();
    ASSERT_TRUE(instance);
    instance->flush_dsp();
}

std::vector<host_sim::host_chunk> component_test::run(const std::vector<audio_sample>& samples,
                                                      unsigned channels, unsigned rate) {
    return host_sim::run_chunk(*instance, samples, channels, rate);
}

}  // namespace ambiora_test
