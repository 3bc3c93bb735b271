#include "shared_engine.h"

#include <mutex>

#include "init_order.h"

namespace ambiora {
namespace {

// Builds the engine when the module loads and destroys it when the module unloads.
struct engine_holder {
    surround_engine engine;
    std::mutex lock;  // held for one block or one reset, see shared_engine.h

    engine_holder() { build_engine(engine); }
    ~engine_holder() { destroy_engine(engine); }
};

AMBIORA_INIT_ENGINE engine_holder holder;

}  // namespace

void process_shared_block(block_context& ctx) {
    std::lock_guard guard(holder.lock);
    process_block(holder.engine, ctx);
}

void reset_shared_engine() {
    std::lock_guard guard(holder.lock);
    reset_engine(holder.engine);
}

void use_hrir_tables(const float* tables) {
    std::lock_guard guard(holder.lock);
    prepare_hrir_spectra(holder.engine.headphone, tables);
    reset_engine(holder.engine);
}

std::uint64_t silenced_output_samples() {
    std::lock_guard guard(holder.lock);
    return holder.engine.silenced_output_samples;
}

}  // namespace ambiora
