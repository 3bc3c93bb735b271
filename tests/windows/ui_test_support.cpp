#include "ui_test_support.h"

#include "ui/tray_thread.h"

namespace ui_test {
namespace {

std::unique_ptr<host_sim::component_host> the_host;

class ui_environment final : public ::testing::Environment {
  public:
    void SetUp() override {
        std::string error;
        the_host = host_sim::component_host::attach(&foobar2000_get_interface, error);
        ASSERT_TRUE(the_host) << error;
        the_host->start();
        // The module's load notification does this in the player; here the component lives in
        // the test program, whose resources carry the icons and the menu.
        start_tray_thread(GetModuleHandleW(nullptr));
        // The first window on a new virtual desktop waits for Wine to bring the desktop up.
        ASSERT_TRUE(wait_for([] { return find_tray_window() != nullptr; }, 60000));
    }
    void TearDown() override {
        stop_tray_thread(false);
        the_host.reset();
    }
};

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new ui_environment);

}  // namespace

host_sim::component_host& host() {
    return *the_host;
}

}  // namespace ui_test
