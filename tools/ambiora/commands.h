// The program's commands. Each takes the arguments after its name, prints its help for --help,
// and returns the exit status; mistakes are thrown as usage_error or run_error (messages.h).
#pragma once

#include <span>

namespace ambiora_cli {

int render_command(std::span<char* const> arguments);
int demo_command(std::span<char* const> arguments);
int info_command(std::span<char* const> arguments);

}  // namespace ambiora_cli
