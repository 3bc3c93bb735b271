#include "engine/surround_engine.h"

namespace ambiora {

void destroy_engine(surround_engine& engine) {
    reset_engine(engine);
    engine.steered_decoder.release();
    engine.surround_ending.release();
    engine.bass_redirect.release();
    engine.encoders.release();
    engine.headphone.release();
}

}  // namespace ambiora
