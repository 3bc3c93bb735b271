// The DSP interfaces: the chunk list a DSP runs over, presets, the DSP itself and its entry.
#pragma once

#include "audio_chunk.h"
#include "service.h"
#include "stream.h"
#include "string_base.h"
#include "track_handle.h"

// A set of indices, used by the chunk list to remove several chunks at once.
class bit_array {
  public:
    virtual bool get(std::size_t index) const = 0;
    // The first index in [start, start + count) whose bit equals `value` (searching down from
    // start for a negative count); start + count when there is none.
    virtual std::size_t find(bool value, std::size_t start, std::ptrdiff_t count) const = 0;

  protected:
    bit_array() = default;
    ~bit_array() = default;
};

class dsp_chunk_list {
  public:
    virtual std::size_t get_count() const = 0;
    virtual audio_chunk* get_item(std::size_t index) const = 0;
    virtual void remove_by_idx(std::size_t index) = 0;
    virtual void remove_mask(const bit_array& mask) = 0;
    virtual audio_chunk* insert_item(std::size_t index, std::size_t hint_size) = 0;

  protected:
    dsp_chunk_list() = default;
    ~dsp_chunk_list() = default;
};

class dsp_preset {
  public:
    virtual GUID* get_owner(GUID* out) const = 0;  // a GUID returned by value in the player
    virtual void set_owner(const GUID& owner) = 0;
    virtual const void* get_data() const = 0;
    virtual std::size_t get_data_size() const = 0;
    virtual void set_data(const void* data, std::size_t bytes) = 0;
    virtual void set_data_from_stream(stream_reader* stream, std::size_t bytes,
                                      abort_callback& abort) = 0;

    GUID owner() const {
        GUID g;
        return *get_owner(&g);
    }

  protected:
    dsp_preset() = default;
    ~dsp_preset() = default;
};

// Flags of dsp::run_chunks.
enum dsp_run_flags : int {
    dsp_flag_end_of_track = 1,
    dsp_flag_flush = 2,
};

class dsp : public service_base {
  public:
    static constexpr GUID class_guid = {
        0x2a42afea, 0x940b, 0x455b, {0xae, 0xff, 0xcf, 0xda, 0xca, 0xf5, 0x2a, 0xff}};

    // Processes the chunks of `list` in place; chunks may be removed.
    virtual void run_chunks(dsp_chunk_list* list, const metadb_handle_ptr& track, int flags) = 0;
    // Forgets everything buffered (the player discards its own buffers too).
    virtual void flush_dsp() = 0;
    virtual double report_latency() = 0;  // seconds
    virtual bool wants_track_marks() = 0;

  protected:
    dsp() = default;
    ~dsp() = default;
};

class dsp_entry : public service_base {
  public:
    static constexpr GUID class_guid = {
        0x0d048731, 0x8aa8, 0x4704, {0x8a, 0xd6, 0x18, 0x9e, 0x24, 0xd4, 0x8c, 0x88}};

    virtual void get_name(string_base& out) = 0;
    virtual bool get_default_preset(dsp_preset& out) = 0;
    virtual bool instantiate(service_ptr_t<dsp>& out, const dsp_preset& preset) = 0;
    virtual GUID* get_guid(GUID* out) = 0;  // a GUID returned by value in the player
    virtual bool have_config_popup() = 0;
    virtual bool show_config_popup(dsp_preset& preset, HWND parent) = 0;

    GUID guid() {
        GUID g;
        return *get_guid(&g);
    }

  protected:
    dsp_entry() = default;
    ~dsp_entry() = default;
};
