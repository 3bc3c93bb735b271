// The demo's built-in programme, synthesised on the spot (nothing is shipped as audio):
//
// - "stereo-piece": a short stereo piece in sections, so a level picture shows where each source
//   went: plucked strings hard left, a voice-like part in the centre, a bell hard right, an
//   ambience pad in anti-phase (what a matrix decoder sends to the surrounds), a shaker sweeping
//   left to right, then everything together over a bass line.
// - "surround-test": a 5.1 test set at 48 kHz with a distinct sound in each channel in turn
//   (L, R, C, LFE, SL, SR), then all six at once.
#pragma once

#include <string>
#include <vector>

namespace ambiora_cli {

struct programme_section {
    double start_seconds;
    double end_seconds;
    std::string label;  // "voice (centre)"
};

struct demo_programme {
    std::string name;   // file-name friendly: "stereo-piece"
    std::string title;  // for pictures: "Stereo piece (44.1 kHz)"
    unsigned channels;
    unsigned rate;
    std::vector<float> samples;  // interleaved, L R C LFE SL SR order for six channels
    std::vector<programme_section> sections;

    std::size_t frames() const { return samples.size() / channels; }
};

demo_programme make_stereo_piece();
demo_programme make_surround_test();

}  // namespace ambiora_cli
