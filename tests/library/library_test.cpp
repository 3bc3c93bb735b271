// The built library, loaded from disk through its one export as the player loads it.
#include <gtest/gtest.h>

#include "component_host.h"

namespace {

TEST(library, loads_through_its_export_and_processes_a_chunk) {
    std::string error;
    auto host = host_sim::component_host::load("./" AMBIORA_COMPONENT_FILE, error);
    ASSERT_TRUE(host) << error;
    host->start();
    EXPECT_EQ(host->factories().size(), 3u);

    auto instance = host->instantiate_default();
    ASSERT_TRUE(instance);
    std::vector<audio_sample> stereo(2 * 1000, 0.25f);
    auto out = host_sim::run_chunk(*instance, stereo, 2, 44100);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].get_channels(), 6u) << "the default mode decodes stereo to 5.1";

    // Settings survive a save and a load through the client object.
    const auto stream = host->save_settings();
    EXPECT_EQ(stream.size(), 19u * 24u);
    EXPECT_TRUE(host->load_settings(stream));
}

TEST(library, a_missing_file_is_reported_not_fatal) {
    std::string error;
    EXPECT_FALSE(host_sim::component_host::load("./no_such_component.so", error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
