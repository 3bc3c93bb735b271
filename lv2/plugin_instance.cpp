#include "plugin_instance.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "dsp/denormal_guard.h"

namespace ambiora_lv2 {
namespace {

using ambiora::block_context;
using ambiora::frame_width;

// Transform planning (in build_engine and destroy_engine) must not run in two threads at once.
std::mutex planning_mutex;

// AMBIORA_PLAN_SECONDS bounds the transform search, as for the command-line renderer: hosts in
// tests instantiate many times and need not pay the full search each time. The limit is
// process-wide in FFTW, so it is put back once our plans are made.
class planning_time_limit {
  public:
    planning_time_limit() {
        const char* text = std::getenv("AMBIORA_PLAN_SECONDS");
        if (text == nullptr || *text == '\0') return;
        char* end = nullptr;
        const double seconds = std::strtod(text, &end);
        if (*end != '\0' || !(seconds >= 0.0)) return;
        fftwf_set_timelimit(seconds);
        set_ = true;
    }
    ~planning_time_limit() {
        if (set_) fftwf_set_timelimit(FFTW_NO_TIMELIMIT);
    }
    planning_time_limit(const planning_time_limit&) = delete;
    planning_time_limit& operator=(const planning_time_limit&) = delete;

  private:
    bool set_ = false;
};

// Each of the job's modes once over a largest sub-block of silence, with the settings that need
// the most storage (the longest surround delay, bass redirection on), then a reset: every buffer
// the stages grow is then as large as run() can ask for, and the stream starts from rest.
void grow_engine_buffers(plugin_instance& instance) {
    block_context ctx = snapshot_controls(*instance.job, control_ports{});
    ctx.surround_delay_ms = ambiora::setting_table[setting_name("surround-delay").row].max_value;
    ctx.bass_redirect_on = 1;
    for (std::int32_t mode = instance.job->first_mode; mode <= instance.job->last_mode; ++mode) {
        block_context block = ctx;
        block.mode = mode;
        block.input_channels = std::int32_t(channel_count(instance.job->input));
        block.sample_rate = instance.sample_rate;
        block.frame_count = largest_sub_block;
        instance.work.resize_discarding(largest_sub_block * frame_width);
        instance.work.zero_used();
        block.work = &instance.work;
        ambiora::process_block(instance.engine, block);
    }
    ambiora::reset_engine(instance.engine);
}

// Input ports -> work frames (L R C LFE SL SR); a stereo source fills L and R, an unconnected
// port reads as silence.
void spread_inputs(const plugin_instance& instance, std::uint32_t offset, std::uint32_t frames) {
    const std::uint32_t channels = channel_count(instance.job->input);
    float* work = instance.work.data;
    std::memset(work, 0, std::size_t(frames) * frame_width * sizeof(float));
    for (std::uint32_t c = 0; c < channels; ++c) {
        const float* in = instance.inputs[c];
        if (in == nullptr) continue;
        in += offset;
        for (std::uint32_t f = 0; f < frames; ++f) work[f * frame_width + c] = in[f];
    }
}

}  // namespace

plugin_instance* make_instance(const plugin_job& job, double sample_rate) {
    auto* instance = new (std::nothrow) plugin_instance;
    if (instance == nullptr) return nullptr;
    instance->job = &job;
    instance->sample_rate = std::int32_t(std::lround(sample_rate));
    try {
        // The queue holds the latency, plus at most one sub-block released on top of it.
        instance->delayed.allocate(channel_count(job.output),
                                   job.latency_frames + 2 * largest_sub_block);
        std::lock_guard planning(planning_mutex);
        planning_time_limit limit;
        ambiora::build_engine(instance->engine);
        ambiora::denormal_guard flush_denormals;
        grow_engine_buffers(*instance);
    } catch (...) {
        destroy_instance(instance);
        return nullptr;
    }
    instance->delayed.restart(job.latency_frames);
    return instance;
}

void destroy_instance(plugin_instance* instance) {
    {
        std::lock_guard planning(planning_mutex);
        ambiora::destroy_engine(instance->engine);
    }
    delete instance;
}

void connect_port(plugin_instance& instance, std::uint32_t port, void* data) {
    const port_map map(*instance.job);
    auto* samples = static_cast<float*>(data);
    if (port < map.first_output()) {
        instance.inputs[port] = samples;
    } else if (port < map.latency()) {
        instance.outputs[port - map.first_output()] = samples;
    } else if (port == map.latency()) {
        instance.latency = samples;
    } else if (port == map.mode()) {
        instance.controls.mode = samples;
    } else if (port < map.count(*instance.job)) {
        instance.controls.settings[port - map.first_control()] = samples;
    }
}

void activate_instance(plugin_instance& instance) {
    ambiora::reset_engine(instance.engine);
    instance.delayed.restart(instance.job->latency_frames);
}

void run_instance(plugin_instance& instance, std::uint32_t frames) {
    const block_context settings = snapshot_controls(*instance.job, instance.controls);
    ambiora::denormal_guard flush_denormals;
    for (std::uint32_t done = 0; done < frames;) {
        const std::uint32_t count = std::min(frames - done, largest_sub_block);
        instance.work.resize_discarding(count * frame_width);  // within the grown storage
        spread_inputs(instance, done, count);

        block_context block = settings;
        block.input_channels = std::int32_t(channel_count(instance.job->input));
        block.sample_rate = instance.sample_rate;
        block.frame_count = count;
        block.work = &instance.work;
        ambiora::process_block(instance.engine, block);

        // The engine may have moved the work buffer; its pointer is read only now. A headphone
        // job at a rate it does not render hands back its input's layout, whose first two slots
        // are the front pair; every other job hands back exactly its output's channels.
        instance.delayed.push(instance.work.data, block.frame_count, frame_width);
        instance.delayed.pop(instance.outputs, done, count);
        done += count;
    }
    if (instance.latency != nullptr) *instance.latency = float(instance.job->latency_frames);
}

}  // namespace ambiora_lv2
