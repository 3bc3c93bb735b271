// The one process-wide surround engine, shared by every DSP instance of the component.
//
// It is built when the host first asks for the component's entry point (before the host can create
// a DSP instance), or on first use by whatever needs it earlier, and torn down during static
// destruction at unload.
//
// Threading. Blocks run on the host's playback thread; resets also arrive from the thread that
// delivers play callbacks (stop, seek), and a second DSP chain could in principle drive the engine
// from another thread. A reset must never land in the middle of a block, so every entry below
// holds one mutex for exactly one block or one reset. We chose a lock over a deferred reset
// request because the request would leave the engine holding stale state until the next chunk
// (a stopped stream's held headphone frames would still be "there" for anything that looks), and
// because the lock also keeps two instances from interleaving inside one engine. The lock is held
// at most for one block on the playback side and for a memset-sized reset on the other, so the
// playback thread never waits long; there is no other lock anywhere on the audio path.
#pragma once

#include "engine/surround_engine.h"

namespace ambiora {

// Builds the shared engine unless it is built already. Measures transform plans unless the wisdom
// cache has them: call it only where waiting for that is acceptable, never on the playback thread.
void build_shared_engine();

// Runs one block through the shared engine.
void process_shared_block(block_context& ctx);

// Clears the shared engine's history; safe from any thread, never inside a block.
void reset_shared_engine();

// Replaces the response set of the headphone modes (20 x 8192 floats, the built-in numbering)
// and resets the engine. For tools that bring their own measurements; not a player feature.
void use_hrir_tables(const float* tables);

// How many non-finite output samples the engine has replaced by silence since it was built, so
// that a tool can say what a damaged input cost.
std::uint64_t silenced_output_samples();

}  // namespace ambiora
