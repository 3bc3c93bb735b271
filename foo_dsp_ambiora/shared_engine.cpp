#include "shared_engine.h"

#include <mutex>

namespace ambiora {
namespace {

// Builds the engine on first use and destroys it when the module unloads.
struct engine_holder {
    surround_engine engine;
    std::mutex lock;  // held for one block or one reset, see shared_engine.h

    engine_holder() { build_engine(engine); }
    ~engine_holder() { destroy_engine(engine); }
};

// A function-local static rather than a global built during static initialisation, for two
// reasons. Building plans transforms (seconds without cached wisdom) and reads and writes the
// wisdom cache: in a DLL, static initialisation runs under the loader lock, where file and shell
// calls are unsafe, and in the command-line renderer, which links the component in, it would run
// before main() and make `--help` or a mistyped option wait for it. The entry point builds it
// (build_shared_engine), so the player still gets a ready engine when it loads the component,
// before it can reach any service; the language makes the first call build it exactly once, even
// from several threads.
engine_holder& holder() {
    static engine_holder instance;
    return instance;
}

}  // namespace

void build_shared_engine() {
    holder();
}

void process_shared_block(block_context& ctx) {
    engine_holder& shared = holder();
    std::lock_guard guard(shared.lock);
    process_block(shared.engine, ctx);
}

void reset_shared_engine() {
    engine_holder& shared = holder();
    std::lock_guard guard(shared.lock);
    reset_engine(shared.engine);
}

void use_hrir_tables(const float* tables) {
    engine_holder& shared = holder();
    std::lock_guard guard(shared.lock);
    prepare_hrir_spectra(shared.engine.headphone, tables);
    reset_engine(shared.engine);
}

std::uint64_t silenced_output_samples() {
    engine_holder& shared = holder();
    std::lock_guard guard(shared.lock);
    return shared.engine.silenced_output_samples;
}

}  // namespace ambiora
