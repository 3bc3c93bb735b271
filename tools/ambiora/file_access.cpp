#include "file_access.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "messages.h"

namespace ambiora_cli {

void check_readable_file(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        throw run_error("cannot read " + path + ": " + system_error_text(errno));
    }
    if (S_ISDIR(status.st_mode)) throw run_error("cannot read " + path + ": it is a directory");
}

std::vector<unsigned char> read_whole_file(const std::string& path, std::size_t largest) {
    check_readable_file(path);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) throw run_error("cannot read " + path + ": " + system_error_text(errno));
    const std::string too_big = "cannot read " + path + ": it is larger than " +
                                std::to_string(largest) + " bytes, more than such a file holds";
    struct stat status {};
    if (::fstat(::fileno(file.get()), &status) == 0 && S_ISREG(status.st_mode) &&
        std::uint64_t(status.st_size) > largest) {
        throw run_error(too_big);
    }
    std::vector<unsigned char> bytes;
    unsigned char buffer[65536];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get())) {
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (bytes.size() > largest) throw run_error(too_big);
    }
    if (std::ferror(file.get())) {
        throw run_error("cannot read " + path + ": " + system_error_text(errno));
    }
    return bytes;
}

bool same_file(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace ambiora_cli
