#include "engine/surround_engine.h"

namespace ambiora {

// Clears the stream's history. Nothing is freed or resized, so a reset never allocates.
void reset_engine(surround_engine& engine) {
    engine.steered_decoder.reset();
    engine.surround_ending.reset();
    engine.bass_redirect.reset();
    engine.encoders.reset();
    engine.headphone.reset();
}

}  // namespace ambiora
