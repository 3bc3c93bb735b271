// The renderer's measured transform plans, kept between runs as FFTW wisdom in a file of the
// user's cache, so that a machine measures them once rather than at every start.
//
// The file lives in `$XDG_CACHE_HOME/ambiora/` (by default `~/.cache/ambiora/`) on Linux and in
// `ambiora\` under the user's local application data folder on Windows. Its name carries FFTW's
// version, the precision, the widest instruction set this processor offers and the plan set, and
// its first line repeats that key: wisdom measured by another FFTW build, on another processor or
// for other transforms is never taken, since its plans could be slow or missing here.
//
// Nothing here can fail a load: a missing, unreadable, damaged or foreign file simply leaves FFTW
// without wisdom, so the planner measures as it would without a cache, and a folder that cannot
// be written to keeps the measured plans for this process only. Both run only while an engine is
// built, never on the playback thread; like the planner they are not re-entrant.
#pragma once

#include <filesystem>

namespace ambiora {

// The planner flags of every renderer transform, part of the plan set the file is keyed by:
// measured, and unbuffered (FFTW's buffered plans take scratch memory from the heap each time they
// run, which the playback thread must never do).
extern const unsigned transform_planning;

// Where this machine's wisdom for the renderer's plans is kept; empty when the platform names no
// cache folder (no XDG_CACHE_HOME and no HOME, say).
std::filesystem::path transform_wisdom_file();

// Hands the cached wisdom to FFTW. True when there was a file for this key and FFTW accepted it;
// false otherwise, with FFTW's wisdom unchanged.
bool load_transform_wisdom();

// Writes FFTW's wisdom to the cache, atomically (a temporary file in the same folder, renamed over
// the old one), unless it holds nothing new since the last load or save. True when the file holds
// the current wisdom afterwards.
bool save_transform_wisdom();

}  // namespace ambiora
