#include "settings.h"

#include <cstring>
#include <type_traits>

#include "init_order.h"

namespace ambiora {

// The snapshot writes each processing setting straight into the field its row names.
static_assert(std::is_standard_layout_v<block_context>);
static_assert([] {
    for (std::size_t a = 0; a < setting_count; ++a) {
        const setting_row& row = setting_table[a];
        if (!row.processing()) continue;
        if (row.block_field + sizeof(std::int32_t) > sizeof(block_context)) return false;
        for (std::size_t b = 0; b < a; ++b)
            if (setting_table[b].block_field == row.block_field) return false;  // one field each
    }
    return true;
}());

AMBIORA_INIT_SETTINGS setting_store<std::make_index_sequence<setting_count>> stored_settings;

const setting_row* find_setting(std::string_view name) {
    for (const setting_row& row : setting_table) {
        if (name == row.name) return &row;
    }
    return nullptr;
}

void restore_default_settings() {
    for (const setting_row& row : setting_table) row.value() = row.default_value;
}

void snapshot_settings(block_context& ctx) {
    auto* fields = reinterpret_cast<unsigned char*>(&ctx);
    for (const setting_row& row : setting_table) {
        if (!row.processing()) continue;
        const std::int32_t value = row.value();
        std::memcpy(fields + row.block_field, &value, sizeof value);
    }
}

}  // namespace ambiora
