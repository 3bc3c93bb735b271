// The DSP instance the host creates for each place the component takes in a DSP chain.
//
// For every chunk it spreads the chunk's channels into six-float work frames, takes one snapshot
// of the settings, runs the shared engine's block and writes the result back in the layout the
// engine chose. All processing state is in the shared engine; an instance owns only two buffers,
// which grow to the largest chunk seen and are then reused, so steady playback allocates nothing.
//
// Threading: the host calls run_chunks and flush_dsp on its playback thread. The settings are read
// once per chunk without a lock (a change applies from the next chunk); the engine is entered only
// through shared_engine.h, which serialises it against resets from other threads.
#pragma once

#include "dsp_impl.h"
#include "engine/aligned_buffer.h"

namespace ambiora {

class dsp_ambiora : public dsp_impl_base_t<dsp> {
  public:
    dsp_ambiora() = default;

    // Identity and configuration, used by the DSP entry.
    static const char* g_get_name() { return "Ambiora Processor"; }
    static GUID g_get_guid();
    static bool g_get_default_preset(dsp_preset& out);
    static bool g_show_config_popup(dsp_preset& preset, HWND parent);

    void flush_dsp() override;
    double report_latency() override { return 0.0; }
    bool wants_track_marks() override { return false; }

  protected:
    void end_of_track() override {}
    void end_of_playback() override {}
    bool process_chunk(audio_chunk* chunk) override;

  private:
    aligned_buffer output_;  // output staging where the host's samples are doubles
    aligned_buffer work_;    // the block of work frames handed to the engine
};

}  // namespace ambiora
