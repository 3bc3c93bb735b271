// One instance of one of the bundle's plugins: its own engine, its ports and its output queue.
//
// Every instance builds its own surround_engine, so two instances in one host share no filter
// memories, delay lines or convolution state. Making an instance takes storage, plans the
// transforms and runs the job's modes once over silence so that every buffer the engine grows
// has reached the size of the largest sub-block; after that, running takes no storage at all.
//
// Threading: make_instance and destroy_instance run on the host's instantiation thread, serialised
// process-wide here because transform planning is not re-entrant; activate and run on the host's
// audio thread, one call at a time per instance.
#pragma once

#include <cstdint>

#include "control_snapshot.h"
#include "engine/surround_engine.h"
#include "latency_fifo.h"
#include "plugin_jobs.h"

namespace ambiora_lv2 {

// run() hands the engine at most this many frames at a time: one hop of the headphone renderer,
// so a sub-block releases at most one rendered block.
inline constexpr std::uint32_t largest_sub_block = ambiora::hrir_length;

struct plugin_instance {
    const plugin_job* job = nullptr;
    std::int32_t sample_rate = 0;
    ambiora::surround_engine engine;
    ambiora::aligned_buffer work;  // one sub-block of work frames
    latency_fifo delayed;          // what the engine released, on its way to the output ports

    const float* inputs[6] = {};
    float* outputs[6] = {};
    float* latency = nullptr;
    control_ports controls;
};

// Null when the storage cannot be had.
plugin_instance* make_instance(const plugin_job& job, double sample_rate);
void destroy_instance(plugin_instance* instance);

void connect_port(plugin_instance& instance, std::uint32_t port, void* data);

// Starts a new stream: clears the engine's history and queues the latency's silence.
void activate_instance(plugin_instance& instance);

// Processes `frames` frames from the input ports into the output ports.
void run_instance(plugin_instance& instance, std::uint32_t frames);

}  // namespace ambiora_lv2
