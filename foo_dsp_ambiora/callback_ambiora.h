// Follows playback to keep the engine and the tray icon in step with the stream.
//
// Threading: the host delivers these events on a thread of its choosing. Resets go through the
// shared engine's lock (shared_engine.h); the tray routines serialise themselves.
#pragma once

#include "play_callback.h"

namespace ambiora {

class callback_ambiora : public play_callback_static {
  public:
    bool service_query(service_ptr& out, const GUID& guid) override;
    unsigned get_flags() override;

    void on_playback_starting(int command, bool paused) override;
    void on_playback_new_track(track_handle_arg track) override;
    void on_playback_stop(int reason) override;
    void on_playback_seek(double seconds) override;
    void on_playback_pause(bool) override {}
    void on_playback_edited(track_handle_arg track) override;
    void on_playback_dynamic_info(const file_info&) override {}
    void on_playback_dynamic_info_track(const file_info&) override {}
    void on_playback_time(double) override {}
    void on_volume_change(float) override {}
};

}  // namespace ambiora
