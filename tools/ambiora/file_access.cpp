#include "file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

int seekable_standard_input() {
    if (::lseek(STDIN_FILENO, 0, SEEK_CUR) >= 0) return ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    const char* folder = std::getenv("TMPDIR");
    std::string pattern =
        std::string(folder != nullptr && *folder ? folder : "/tmp") + "/ambiora-stdin-XXXXXX";
    const int copy = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (copy < 0) {
        throw run_error("cannot read standard input: " + system_error_text(errno) + " (making " +
                        pattern + ")");
    }
    ::unlink(pattern.c_str());  // gone when closed, whatever happens
    auto fail = [copy](const std::string& reason) {
        ::close(copy);
        throw run_error(reason);
    };
    static char buffer[1 << 20];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            fail("cannot read standard input: " + system_error_text(errno));
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(copy, buffer + done, std::size_t(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) {
                fail("cannot keep standard input in " + pattern + ": " + system_error_text(errno));
            }
            done += put;
        }
    }
    if (::lseek(copy, 0, SEEK_SET) != 0)
        fail("cannot read standard input back: " + system_error_text(errno));
    return copy;
}

void standard_input_copy::reset(int descriptor) {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = descriptor;
    start_ = descriptor >= 0 ? ::lseek(descriptor, 0, SEEK_CUR) : 0;
}

int standard_input_copy::rewound_copy() const {
    if (::lseek(descriptor_, start_, SEEK_SET) < 0) return -1;
    return ::fcntl(descriptor_, F_DUPFD_CLOEXEC, 0);
}

bool same_file(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace ambiora_cli
