// Base classes that turn a plain DSP class into the services the player expects.
//
//  - dsp_impl_base_t<dsp>: walks the player's chunk list and hands each non-empty chunk to the
//    derived class's `process_chunk`, removing the chunks it drops.
//  - dsp_entry_impl_t<T, dsp_entry>: the DSP entry for class T, which supplies its identity,
//    default preset and configuration through static members (g_get_name, g_get_guid,
//    g_get_default_preset, g_show_config_popup) and is created from a preset whose owner is T's
//    GUID.
#pragma once

#include <exception>

#include "dsp.h"
#include "service_impl.h"

template <typename Interface>
class dsp_impl_base_t : public Interface {
  public:
    bool service_query(service_ptr& out, const GUID& guid) override {
        if (guid != Interface::class_guid) return false;
        out = static_cast<service_base*>(this);
        return true;
    }

    void run_chunks(dsp_chunk_list* list, const metadb_handle_ptr& track, int flags) override {
        // Nothing may propagate into the player: its exceptions and ours are different worlds.
        try {
            list_ = list;
            track_ = &track;
            for (chunk_index_ = 0; chunk_index_ < list->get_count();) {
                audio_chunk* chunk = list->get_item(chunk_index_);
                const bool empty = chunk->get_channels() == 0 || chunk->get_srate() == 0 ||
                                   chunk->get_sample_count() == 0;
                if (empty || !process_chunk(chunk)) {
                    list->remove_by_idx(chunk_index_);
                } else {
                    ++chunk_index_;
                }
            }
            if (flags & dsp_flag_flush) {
                end_of_playback();
            } else if (flags & dsp_flag_end_of_track) {
                end_of_track();
            }
        } catch (...) {
        }
        list_ = nullptr;
        track_ = nullptr;
    }

  protected:
    // Called after the chunks of a run that ended a track or a stream.
    virtual void end_of_track() = 0;
    virtual void end_of_playback() = 0;
    // Rewrites `chunk` in place; returns false to have it removed from the list.
    virtual bool process_chunk(audio_chunk* chunk) = 0;

    const metadb_handle_ptr* current_track() const { return track_; }

  private:
    dsp_chunk_list* list_ = nullptr;            // the list being run
    std::size_t chunk_index_ = 0;               // index of the chunk being processed
    const metadb_handle_ptr* track_ = nullptr;  // the track the chunks belong to
};

template <typename T, typename Interface = dsp_entry>
class dsp_entry_impl_t : public Interface {
  public:
    bool service_query(service_ptr& out, const GUID& guid) override {
        if (guid != Interface::class_guid) return false;
        out = static_cast<service_base*>(this);
        return true;
    }

    void get_name(string_base& out) override { out.set(T::g_get_name()); }

    bool get_default_preset(dsp_preset& out) override {
        try {
            return T::g_get_default_preset(out);
        } catch (...) {
            return false;
        }
    }

    bool instantiate(service_ptr_t<dsp>& out, const dsp_preset& preset) override {
        if (preset.owner() != T::g_get_guid()) return false;
        service_ptr_t<dsp> made;
        if (!service_impl_t<T>::create(made)) return false;
        out = made;
        return true;
    }

    GUID* get_guid(GUID* out) override {
        *out = T::g_get_guid();
        return out;
    }

    bool have_config_popup() override { return true; }

    bool show_config_popup(dsp_preset& preset, HWND parent) override {
        try {
            return T::g_show_config_popup(preset, parent);
        } catch (...) {
            return false;
        }
    }
};
