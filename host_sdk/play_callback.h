// Playback events, delivered by the player to every registered play callback.
#pragma once

#include "service.h"
#include "track_handle.h"

class file_info;  // never looked into

class play_callback {
  public:
    virtual void on_playback_starting(int command, bool paused) = 0;
    virtual void on_playback_new_track(track_handle_arg track) = 0;  // must release `track`
    virtual void on_playback_stop(int reason) = 0;
    virtual void on_playback_seek(double seconds) = 0;
    virtual void on_playback_pause(bool paused) = 0;
    virtual void on_playback_edited(track_handle_arg track) = 0;  // must release `track`
    virtual void on_playback_dynamic_info(const file_info& info) = 0;
    virtual void on_playback_dynamic_info_track(const file_info& info) = 0;
    virtual void on_playback_time(double seconds) = 0;
    virtual void on_volume_change(float new_level) = 0;

  protected:
    play_callback() = default;
    ~play_callback() = default;
};

// Bit i of a play callback's flags subscribes it to handler i above.
enum play_callback_flags : unsigned {
    flag_on_playback_starting = 1u << 0,
    flag_on_playback_new_track = 1u << 1,
    flag_on_playback_stop = 1u << 2,
    flag_on_playback_seek = 1u << 3,
    flag_on_playback_pause = 1u << 4,
    flag_on_playback_edited = 1u << 5,
    flag_on_playback_dynamic_info = 1u << 6,
    flag_on_playback_dynamic_info_track = 1u << 7,
    flag_on_playback_time = 1u << 8,
    flag_on_volume_change = 1u << 9,
};

// A play callback registered for the whole life of the module. The service base comes first, so
// its table (release, add reference, query, get_flags) sits at offset 0 and the play_callback
// table right after it, one pointer further on.
class play_callback_static : public service_base, public play_callback {
  public:
    static constexpr GUID class_guid = {
        0x8e4eed7a, 0xc6b8, 0x49c7, {0x99, 0xfe, 0x97, 0xe0, 0x4a, 0xaa, 0x63, 0xa8}};

    virtual unsigned get_flags() = 0;

  protected:
    play_callback_static() = default;
    ~play_callback_static() = default;
};
