// --hrir FILE: a replacement for the built-in head-related impulse responses, 20 tables of 8192
// little-endian float32 samples in the built-in numbering (t = 10 x bank + 2 x speaker + ear).
#pragma once

#include <string>
#include <vector>

namespace ambiora_cli {

// Throws run_error when the file cannot be read, has the wrong size or holds a sample that is not
// a finite number.
std::vector<float> read_response_file(const std::string& path);

// Hands the set to the component's engine (the one direct engine call the renderer makes) for
// the rest of the process.
void use_responses(const std::vector<float>& tables);

// The set the headphone modes use: the built-in one unless use_responses() replaced it.
const float* responses_in_use();

// Writes a set in the file format above.
void write_response_file(const std::string& path, const float* tables);

}  // namespace ambiora_cli
