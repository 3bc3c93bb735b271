// A small LV2 host on lilv: an upmixer and a headphone renderer in one process, run interleaved
// block by block, each give exactly what a lone instance gives with the same blocks (instances
// share no state), for blocks of 1, 64, 4095, 8192 and 20000 frames; no call of run() touches the
// allocator, FFTW's transforms included (see allocation_counter.cpp); and every block size
// gives the same stream (within the steered decoder's documented sensitivity to block cuts).
#include <gtest/gtest.h>
#include <lilv/lilv.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace lv2_test {

extern std::atomic<bool> counting;  // allocation_counter.cpp
extern std::atomic<std::size_t> allocations_ours, allocations_in_fftw;

namespace {

constexpr std::uint32_t stream_frames = 40000;
using channels = std::vector<std::vector<float>>;

const LilvPlugin* find_plugin(const char* uri) {
    static LilvWorld* world = [] {
        setenv("LV2_PATH", AMBIORA_LV2_BUNDLE_PARENT, 1);
        // Fully measured plans, as a listener gets them (measured once per process, or taken
        // from the wisdom cache): only those show whether FFTW's transforms allocate as they run.
        unsetenv("AMBIORA_PLAN_SECONDS");
        LilvWorld* w = lilv_world_new();
        lilv_world_load_all(w);
        return w;
    }();
    LilvNode* node = lilv_new_uri(world, uri);
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), node);
    lilv_node_free(node);
    return plugin;
}

// One instance at 48 kHz in `mode`, its audio ports pointed into the source and into what it has
// rendered before each block; its other controls at their defaults.
struct hosted_plugin {
    LilvInstance* instance;
    std::vector<float> controls;
    std::vector<std::uint32_t> audio_in, audio_out;  // port indices
    channels rendered;

    hosted_plugin(const char* uri, float mode) {
        const LilvPlugin* plugin = find_plugin(uri);
        instance = lilv_plugin_instantiate(plugin, 48000, nullptr);
        controls.resize(lilv_plugin_get_num_ports(plugin));
        for (std::uint32_t p = 0; p < controls.size(); ++p) {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, p);
            const std::string symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
            if (symbol.starts_with("in_")) audio_in.push_back(p);
            if (symbol.starts_with("out_")) audio_out.push_back(p);
            LilvNode* fallback = nullptr;
            lilv_port_get_range(plugin, port, &fallback, nullptr, nullptr);
            controls[p] = symbol == "mode" ? mode : fallback ? lilv_node_as_float(fallback) : 0;
            lilv_node_free(fallback);
            lilv_instance_connect_port(instance, p, &controls[p]);
        }
        rendered.assign(audio_out.size(), std::vector<float>(stream_frames));
        lilv_instance_activate(instance);
    }
    ~hosted_plugin() { lilv_instance_free(instance); }

    void run(channels& source, std::uint32_t offset, std::uint32_t frames) {
        for (std::size_t c = 0; c < audio_in.size(); ++c)
            lilv_instance_connect_port(instance, audio_in[c], source[c].data() + offset);
        for (std::size_t c = 0; c < audio_out.size(); ++c)
            lilv_instance_connect_port(instance, audio_out[c], rendered[c].data() + offset);
        counting = true;
        lilv_instance_run(instance, std::min(frames, stream_frames - offset));
        counting = false;
    }
};

constexpr const char* upmix_uri = "urn:ambiora-processor:lv2:upmix";
constexpr const char* headphone_uri = "urn:ambiora-processor:lv2:headphone";

channels render_alone(const char* uri, float mode, std::uint32_t block, channels& source) {
    hosted_plugin plugin(uri, mode);
    for (std::uint32_t offset = 0; offset < stream_frames; offset += block)
        plugin.run(source, offset, block);
    return plugin.rendered;
}

bool near(const channels& a, const channels& b) {
    auto close = [](float x, float y) { return std::fabs(x - y) <= 5e-5f; };
    return std::ranges::equal(a, b,
                              [&](auto& x, auto& y) { return std::ranges::equal(x, y, close); });
}

TEST(LilvHost, InterleavedInstancesMatchLoneOnesAtEveryBlockSizeWithoutAllocating) {
    std::mt19937 generator(17);
    std::normal_distribution<float> noise(0.0f, 0.2f);
    channels source(2, std::vector<float>(stream_frames));
    for (auto& channel : source)
        std::generate(channel.begin(), channel.end(), [&] { return noise(generator); });
    const channels upmix_reference = render_alone(upmix_uri, 2, 8192, source);
    const channels headphone_reference = render_alone(headphone_uri, 6, 8192, source);
    for (const std::uint32_t block : {1u, 64u, 4095u, 8192u, 20000u}) {
        SCOPED_TRACE(std::to_string(block) + "-frame blocks");
        const std::size_t ours = allocations_ours, in_fftw = allocations_in_fftw;
        hosted_plugin upmix(upmix_uri, 2), headphone(headphone_uri, 6);
        for (std::uint32_t offset = 0; offset < stream_frames; offset += block) {
            upmix.run(source, offset, block);
            headphone.run(source, offset, block);
        }
        EXPECT_EQ(allocations_ours, ours) << "run() allocated";
        EXPECT_EQ(allocations_in_fftw, in_fftw) << "FFTW allocated while transforming";
        EXPECT_TRUE(upmix.rendered == render_alone(upmix_uri, 2, block, source));
        EXPECT_TRUE(headphone.rendered == render_alone(headphone_uri, 6, block, source));
        EXPECT_TRUE(near(upmix.rendered, upmix_reference));
        EXPECT_TRUE(near(headphone.rendered, headphone_reference));
    }
}

}  // namespace
}  // namespace lv2_test
