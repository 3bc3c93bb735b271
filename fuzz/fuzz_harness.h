// What the fuzz targets do with one input, shared by the libFuzzer entry points and by the test
// that replays the committed corpus and every input that once crashed.
//
// Both drive the component in this process through its entry point and the host simulator, as
// the player would. An input that breaks one of the checks below aborts, so libFuzzer (and the
// replay test) report it like a crash.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ambiora_fuzz {

// Hands `data` to the client object as the stored settings stream. Checks that the settings
// saved afterwards load back to themselves. Leaves the settings at their defaults.
void load_settings_stream(const std::uint8_t* data, std::size_t size);

// Reads `data` as a script of host actions: chunks of any shape, channel count (0 to 8) and rate,
// setting changes within and beyond their ranges, mode switches, flushes, seeks, stops, end of
// track, new DSP instances. Checks every chunk that comes out: a layout the host knows, a sample
// count that fits the data, and finite samples whenever the settings are within their ranges
// and the chunk that went in was plausible audio (finite, within 120 dB of full scale), whatever
// came before it.
void play_chunk_script(const std::uint8_t* data, std::size_t size);

}  // namespace ambiora_fuzz
