// A small LV2 host on lilv: an upmixer and a headphone renderer in one process, run interleaved
// block by block, each give exactly what a lone instance gives with the same blocks (instances
// share no state), for blocks of 1, 64, 4095, 8192 and 20000 frames; no call of run() touches the
// allocator, apart from FFTW's own scratch (see allocation_counter.h); and every block size gives
// the same stream (within the steered decoder's documented sensitivity to where blocks are cut).
#include <gtest/gtest.h>
#include <lilv/lilv.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "allocation_counter.h"

namespace lv2_test {
namespace {

constexpr double rate = 48000;
constexpr std::uint32_t stream_frames = 40000;
using channels = std::vector<std::vector<float>>;

struct plugin_case {
    const char* uri;
    float mode;
};
constexpr plugin_case upmixer{"urn:ambiora-processor:lv2:upmix", 2};
constexpr plugin_case headphones{"urn:ambiora-processor:lv2:headphone", 6};

LilvWorld* loaded_world() {
    static LilvWorld* world = [] {
        setenv("LV2_PATH", AMBIORA_LV2_BUNDLE_PARENT, 1);
        setenv("AMBIORA_PLAN_SECONDS", "0.01", 1);
        LilvWorld* w = lilv_world_new();
        lilv_world_load_all(w);
        return w;
    }();
    return world;
}

// One plugin instance with its ports connected to buffers of `block` frames, and what it output.
class hosted_plugin {
  public:
    hosted_plugin(const plugin_case& which, std::uint32_t block) : block_(block) {
        LilvWorld* world = loaded_world();
        LilvNode* uri = lilv_new_uri(world, which.uri);
        const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        lilv_node_free(uri);
        EXPECT_NE(plugin, nullptr) << which.uri;
        instance_ = lilv_plugin_instantiate(plugin, rate, nullptr);
        EXPECT_NE(instance_, nullptr) << which.uri;
        LilvNode* audio = lilv_new_uri(world, LILV_URI_AUDIO_PORT);
        LilvNode* input = lilv_new_uri(world, LILV_URI_INPUT_PORT);
        const std::uint32_t ports = lilv_plugin_get_num_ports(plugin);
        controls_.resize(ports);
        for (std::uint32_t p = 0; p < ports; ++p) {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, p);
            if (lilv_port_is_a(plugin, port, audio)) {
                channels& side = lilv_port_is_a(plugin, port, input) ? inputs_ : outputs_;
                side.emplace_back(block);
                lilv_instance_connect_port(instance_, p, side.back().data());
                continue;
            }
            LilvNode* fallback = nullptr;
            lilv_port_get_range(plugin, port, &fallback, nullptr, nullptr);
            controls_[p] = fallback != nullptr ? lilv_node_as_float(fallback) : 0.0f;
            lilv_node_free(fallback);
            const std::string symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
            if (symbol == "mode") controls_[p] = which.mode;
            if (symbol == "latency") latency_port_ = p;
            lilv_instance_connect_port(instance_, p, &controls_[p]);
        }
        lilv_node_free(audio);
        lilv_node_free(input);
        rendered_.resize(outputs_.size());
        lilv_instance_activate(instance_);
    }
    ~hosted_plugin() {
        lilv_instance_deactivate(instance_);
        lilv_instance_free(instance_);
    }

    // Runs the frames of `source` from `offset` (at most one block), counting allocations.
    void run(const channels& source, std::uint32_t offset) {
        const std::uint32_t n = std::min(block_, stream_frames - offset);
        for (std::size_t c = 0; c < inputs_.size(); ++c)
            std::copy_n(source[c].begin() + offset, n, inputs_[c].begin());
        count_allocations(true);
        lilv_instance_run(instance_, n);
        count_allocations(false);
        for (std::size_t c = 0; c < outputs_.size(); ++c)
            rendered_[c].insert(rendered_[c].end(), outputs_[c].begin(), outputs_[c].begin() + n);
    }

    const channels& rendered() const { return rendered_; }
    float latency() const { return controls_[latency_port_]; }

  private:
    std::uint32_t block_;
    LilvInstance* instance_ = nullptr;
    channels inputs_, outputs_, rendered_;
    std::vector<float> controls_;
    std::uint32_t latency_port_ = 0;
};

channels stereo_noise() {
    std::mt19937 generator(17);
    std::normal_distribution<float> noise(0.0f, 0.2f);
    channels source(2, std::vector<float>(stream_frames));
    for (auto& channel : source)
        for (float& sample : channel) sample = noise(generator);
    return source;
}

channels render_alone(const plugin_case& which, std::uint32_t block, const channels& source) {
    hosted_plugin plugin(which, block);
    for (std::uint32_t offset = 0; offset < stream_frames; offset += block)
        plugin.run(source, offset);
    return plugin.rendered();
}

float largest_difference(const channels& a, const channels& b) {
    float worst = 0.0f;
    for (std::size_t c = 0; c < a.size(); ++c)
        for (std::size_t i = 0; i < a[c].size(); ++i)
            worst = std::max(worst, std::fabs(a[c][i] - b[c][i]));
    return worst;
}

TEST(LilvHost, InterleavedInstancesMatchLoneOnesAtEveryBlockSizeWithoutAllocating) {
    const channels source = stereo_noise();
    const channels upmix_reference = render_alone(upmixer, 8192, source);
    const channels headphone_reference = render_alone(headphones, 8192, source);
    for (const std::uint32_t block : {1u, 64u, 4095u, 8192u, 20000u}) {
        SCOPED_TRACE(std::to_string(block) + "-frame blocks");
        const channels upmix_alone = render_alone(upmixer, block, source);
        const channels headphone_alone = render_alone(headphones, block, source);

        const allocation_tally before = allocations_counted();
        hosted_plugin upmix(upmixer, block), headphone(headphones, block);
        for (std::uint32_t offset = 0; offset < stream_frames; offset += block) {
            upmix.run(source, offset);
            headphone.run(source, offset);
        }
        const allocation_tally after = allocations_counted();
        EXPECT_EQ(after.ours, before.ours) << "run() allocated";
        std::printf("%u-frame blocks: FFTW allocated %zu times executing transforms\n", block,
                    after.fftw - before.fftw);
        EXPECT_EQ(headphone.latency(), 8192.0f);
        EXPECT_EQ(upmix.latency(), 0.0f);
        ASSERT_EQ(upmix.rendered().size(), 6u);
        ASSERT_EQ(upmix.rendered()[0].size(), stream_frames);
        EXPECT_TRUE(upmix.rendered() == upmix_alone);
        EXPECT_TRUE(headphone.rendered() == headphone_alone);
        EXPECT_LE(largest_difference(upmix_alone, upmix_reference), 5e-5f);
        EXPECT_LE(largest_difference(headphone_alone, headphone_reference), 5e-5f);
    }
}

}  // namespace
}  // namespace lv2_test
