#include "control_snapshot.h"

#include <cmath>
#include <cstring>

namespace ambiora_lv2 {
namespace {

static_assert([] {
    for (const plugin_job& job : plugin_jobs) {
        if (job.controls.size() > std::size(control_ports{}.settings)) return false;
    }
    return true;
}());

std::int32_t read_control(const float* port, std::int32_t fallback, std::int32_t low,
                          std::int32_t high) {
    if (port == nullptr) return fallback;
    const float value = *port;
    if (!std::isfinite(value)) return fallback;
    if (value <= float(low)) return low;
    if (value >= float(high)) return high;
    return std::int32_t(std::lround(value));
}

void write_field(ambiora::block_context& ctx, std::size_t field, std::int32_t value) {
    std::memcpy(reinterpret_cast<unsigned char*>(&ctx) + field, &value, sizeof value);
}

}  // namespace

ambiora::block_context snapshot_controls(const plugin_job& job, const control_ports& ports) {
    ambiora::block_context ctx;
    for (const ambiora::setting_row& row : ambiora::setting_table) {
        if (row.processing()) write_field(ctx, row.block_field, row.default_value);
    }
    ctx.mode = read_control(ports.mode, job.default_mode, job.first_mode, job.last_mode);
    for (std::size_t i = 0; i < job.controls.size(); ++i) {
        const ambiora::setting_row& row = ambiora::setting_table[job.controls[i].row];
        write_field(
            ctx, row.block_field,
            read_control(ports.settings[i], row.default_value, row.min_value, row.max_value));
    }
    return ctx;
}

}  // namespace ambiora_lv2
