// The one engine every benchmark of this process works on. Building it makes the seven measured
// transform plans, which takes seconds, so it is built once, on first use, and never torn down.
#pragma once

#include "engine/surround_engine.h"

namespace ambiora_bench {

ambiora::surround_engine& built_engine();

}  // namespace ambiora_bench
