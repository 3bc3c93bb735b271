#include <cmath>

#include "engine/surround_engine.h"

namespace ambiora {

double db_to_factor(std::int32_t db) {
    // The twentieth is the float nearest 0.05, as every level in the component is derived; the
    // power itself is taken in double.
    constexpr float one_twentieth = 0.05f;
    return std::pow(10.0, double(db) * double(one_twentieth));
}

}  // namespace ambiora
