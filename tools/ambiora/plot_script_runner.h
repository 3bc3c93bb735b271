// Runs plot_demo.py, the demo's small matplotlib script, with a Python that has matplotlib.
#pragma once

#include <string>

namespace ambiora_cli {

// Draws the pictures for the demo folder `directory`. Returns false, with the reason in
// `why_not`, when there is no Python with matplotlib or the script failed; the demo then goes on
// without pictures. The script's own messages go to stderr.
bool draw_demo_pictures(const std::string& directory, std::string& why_not);

}  // namespace ambiora_cli
