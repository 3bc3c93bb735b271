// Reading whole small files (settings streams, response sets, schedules) with one-line errors.
#pragma once

#include <string>
#include <vector>

namespace ambiora_cli {

// "-" as IN or OUT: standard input or output, the convention of command-line audio tools.
inline constexpr const char* standard_stream_name = "-";

// Throws run_error "cannot read PATH: reason" when the path is missing, a directory or
// unreadable.
void check_readable_file(const std::string& path);

// At most `largest` bytes: a bigger file (or an endless device like /dev/zero) is refused, by
// its size before reading when it has one.
std::vector<unsigned char> read_whole_file(const std::string& path, std::size_t largest);

// Whether both paths name one existing file: the same device and inode, so hard and symbolic links
// count as the file itself.
bool same_file(const std::string& a, const std::string& b);

}  // namespace ambiora_cli
