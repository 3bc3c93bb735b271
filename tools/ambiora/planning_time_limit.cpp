// AMBIORA_PLAN_SECONDS: an upper bound on the time the component spends planning its transforms.
//
// The component plans its seven transforms with FFTW_MEASURE when a command first brings it up,
// and without this machine's wisdom in the user's cache (headphone/transform_wisdom.h) that search
// takes one to three seconds. That is nothing for a long render or the demo, but it is paid by
// every call of a script that renders many small files with a cold or unwritable cache (our tests
// do). Setting this variable (e.g. to 0.01) makes FFTW stop searching after that long and keep the
// best plan found; the transforms compute the same thing, perhaps a little more slowly. Unset, the
// component plans exactly as it does inside the player.
#include <fftw3.h>

#include <cstdlib>

namespace {

// Runs before the component's settings (priority 1000) and engine (2000) are built.
__attribute__((constructor(500))) void limit_transform_planning() {
    const char* text = std::getenv("AMBIORA_PLAN_SECONDS");
    if (text == nullptr || *text == '\0') return;
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    if (*end == '\0' && seconds >= 0.0) fftwf_set_timelimit(seconds);
}

}  // namespace
