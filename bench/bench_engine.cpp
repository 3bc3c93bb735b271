#include "bench_engine.h"

namespace ambiora_bench {

ambiora::surround_engine& built_engine() {
    static ambiora::surround_engine* engine = [] {
        auto* e = new ambiora::surround_engine;
        ambiora::build_engine(*e);
        return e;
    }();
    return *engine;
}

}  // namespace ambiora_bench
