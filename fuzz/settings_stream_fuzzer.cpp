// libFuzzer target: the stored settings stream, through the client object's set_config.
#include "fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ambiora_fuzz::load_settings_stream(data, size);
    return 0;
}
