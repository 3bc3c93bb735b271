// How the renderer talks to people: one-line errors, warnings and notes on stderr.
//
// stdout carries only results (what `info` reports, the files `demo` wrote), so that the program
// can be used in pipes; everything else goes to stderr.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace ambiora_cli {

// A mistake in how the program was called: an unknown option, a value that is not a number.
// Ends the program with exit status 2.
struct usage_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Something that went wrong while doing the work: a file that cannot be read or written.
// Ends the program with exit status 1.
struct run_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline constexpr int exit_run_error = 1;
inline constexpr int exit_usage_error = 2;

// --quiet: only errors are printed.
void set_quiet(bool quiet);
bool is_quiet();

// "ambiora: warning: ..." unless quiet.
void warn(const std::string& text);
// "ambiora: ..." unless quiet.
void note(const std::string& text);
// "ambiora: ..." always.
void print_error(const std::string& text);

// "1 channel", "2 channels": a count with its noun, singular or plural.
std::string count_of(std::uint64_t count, const std::string& noun);

// The text of errno as a phrase: "No such file or directory".
std::string system_error_text(int error_number);

}  // namespace ambiora_cli
