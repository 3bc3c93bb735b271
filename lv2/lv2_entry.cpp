// The bundle's binary: lv2_descriptor hands hosts one descriptor per job in plugin_jobs.h.
#include <lv2/core/lv2.h>

#include <array>
#include <string>

#include "plugin_instance.h"

namespace ambiora_lv2 {
namespace {

struct descriptor_table {
    std::array<std::string, plugin_job_count> uris;
    std::array<LV2_Descriptor, plugin_job_count> descriptors;
};

const descriptor_table& descriptors();

const plugin_job* job_of(const LV2_Descriptor* descriptor) {
    const auto& table = descriptors().descriptors;
    const auto index = std::size_t(descriptor - table.data());
    return index < table.size() ? &plugin_jobs[index] : nullptr;
}

LV2_Handle instantiate(const LV2_Descriptor* descriptor, double sample_rate, const char*,
                       const LV2_Feature* const*) {
    const plugin_job* job = job_of(descriptor);
    if (job == nullptr || !(sample_rate >= 1.0)) return nullptr;
    return make_instance(*job, sample_rate);
}

void connect(LV2_Handle handle, std::uint32_t port, void* data) {
    connect_port(*static_cast<plugin_instance*>(handle), port, data);
}

void activate(LV2_Handle handle) {
    activate_instance(*static_cast<plugin_instance*>(handle));
}

void run(LV2_Handle handle, std::uint32_t frames) {
    run_instance(*static_cast<plugin_instance*>(handle), frames);
}

void cleanup(LV2_Handle handle) {
    destroy_instance(static_cast<plugin_instance*>(handle));
}

const void* extension_data(const char*) {
    return nullptr;
}

// Filled in place once: each descriptor points into the URI strings beside it.
const descriptor_table& descriptors() {
    static descriptor_table table;
    static const bool filled = [] {
        for (std::size_t i = 0; i < plugin_job_count; ++i) {
            table.uris[i] = std::string(bundle_uri) + plugin_jobs[i].symbol;
            table.descriptors[i] = LV2_Descriptor{
                table.uris[i].c_str(), instantiate, connect, activate, run, nullptr, cleanup,
                extension_data};
        }
        return true;
    }();
    (void)filled;
    return table;
}

}  // namespace
}  // namespace ambiora_lv2

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index) {
    const auto& table = ambiora_lv2::descriptors().descriptors;
    return index < table.size() ? &table[index] : nullptr;
}
