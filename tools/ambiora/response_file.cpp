#include "response_file.h"

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "engine/surround_engine.h"
#include "file_access.h"
#include "messages.h"
#include "pending_output.h"
#include "shared_engine.h"

namespace ambiora_cli {
namespace {

static_assert(std::endian::native == std::endian::little,
              "response files are little-endian float32, read by copying");

constexpr std::size_t table_floats = std::size_t(ambiora::hrir_table_count) * ambiora::hrir_length;

const float* replaced_set = nullptr;

}  // namespace

std::vector<float> read_response_file(const std::string& path) {
    const std::vector<unsigned char> bytes = read_whole_file(path, table_floats * sizeof(float));
    if (bytes.size() != table_floats * sizeof(float)) {
        throw run_error(path + " is not a response set: it has " + std::to_string(bytes.size()) +
                        " bytes, a set has " + std::to_string(table_floats * sizeof(float)) +
                        " (20 x 8192 float32)");
    }
    std::vector<float> tables(table_floats);
    std::memcpy(tables.data(), bytes.data(), bytes.size());
    for (std::size_t i = 0; i < tables.size(); ++i) {
        if (!std::isfinite(tables[i])) {
            throw run_error(path + " is not a response set: sample " + std::to_string(i % 8192) +
                            " of table " + std::to_string(i / 8192) + " is not a finite number");
        }
    }
    return tables;
}

void use_responses(const std::vector<float>& tables) {
    ambiora::use_hrir_tables(tables.data());
    replaced_set = tables.data();
}

const float* responses_in_use() {
    return replaced_set != nullptr ? replaced_set : ambiora::builtin_hrir_tables();
}

void write_response_file(const std::string& path, const float* tables) {
    pending_output out(path);
    std::FILE* stream = out.open_stream();
    const bool written = std::fwrite(tables, sizeof(float), table_floats, stream) == table_floats;
    if (std::fclose(stream) != 0 || !written) {
        throw run_error("cannot write " + path + ": " + system_error_text(errno));
    }
    out.commit();
}

}  // namespace ambiora_cli
