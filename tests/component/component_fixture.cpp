#include "component_fixture.h"

#include "settings.h"

namespace ambiora_test {
namespace {

std::unique_ptr<host_sim::component_host> the_host;

class component_environment final : public ::testing::Environment {
  public:
    void SetUp() override {
        std::string error;
        the_host = host_sim::component_host::attach(&foobar2000_get_interface, error);
        ASSERT_TRUE(the_host) << error;
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
