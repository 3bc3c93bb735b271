// libFuzzer target: the chunk path, driven by a script of host actions (see fuzz_harness.h).
#include "fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ambiora_fuzz::play_chunk_script(data, size);
    return 0;
}
