#include "callback_ambiora.h"

#include "runtime_state.h"
#include "settings.h"
#include "shared_engine.h"
#include "ui/tray.h"

namespace ambiora {
namespace {

void playback_started() {
    playback_active.store(1, std::memory_order_relaxed);
    if (cfg_tray_icon && cfg_tray_only_when_playing) add_tray_icon();
}

// Nothing may escape into the player, whose exceptions are not ours.
template <typename F>
void guarded(F&& handler) {
    try {
        handler();
    } catch (...) {
    }
}

}  // namespace

bool callback_ambiora::service_query(service_ptr& out, const GUID& guid) {
    if (guid != play_callback_static::class_guid) return false;
    out = static_cast<service_base*>(this);
    return true;
}

// Every event up to playback time; volume changes are of no interest.
unsigned callback_ambiora::get_flags() {
    return flag_on_playback_starting | flag_on_playback_new_track | flag_on_playback_stop |
           flag_on_playback_seek | flag_on_playback_pause | flag_on_playback_edited |
           flag_on_playback_dynamic_info | flag_on_playback_dynamic_info_track |
           flag_on_playback_time;
}

void callback_ambiora::on_playback_starting(int, bool) {
    guarded(playback_started);
}

void callback_ambiora::on_playback_new_track(track_handle_arg track) {
    release_track_handle(track);
    guarded(playback_started);
}

// The reason is not looked at: a stop because another track starts is a stop like any other, so
// an icon shown only while playing goes away and comes back around a manual track change.
void callback_ambiora::on_playback_stop(int) {
    guarded([] {
        playback_active.store(0, std::memory_order_relaxed);
        reset_shared_engine();
        forget_last_input();
        if (cfg_tray_only_when_playing) remove_tray_icon();
    });
}

void callback_ambiora::on_playback_seek(double) {
    guarded([] {
        reset_shared_engine();
        forget_last_input();
    });
}

void callback_ambiora::on_playback_edited(track_handle_arg track) {
    release_track_handle(track);
}

}  // namespace ambiora
