#include "buffered_file_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ambiora_cli {
namespace {

constexpr std::size_t buffer_bytes = 1 << 20;

buffered_file_reader& reader(void* user) {
    return *static_cast<buffered_file_reader*>(user);
}

}  // namespace

std::unique_ptr<buffered_file_reader> buffered_file_reader::for_regular_file(int descriptor) {
    struct stat status {};
    const long long start = ::lseek(descriptor, 0, SEEK_CUR);
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || start < 0 ||
        start > status.st_size) {
        ::close(descriptor);
        return nullptr;
    }
    return std::unique_ptr<buffered_file_reader>(
        new buffered_file_reader(descriptor, start, status.st_size - start));
}

buffered_file_reader::buffered_file_reader(int descriptor, long long start, long long length)
    : descriptor_(descriptor), start_(start), length_(length), buffer_(buffer_bytes) {}

buffered_file_reader::~buffered_file_reader() {
    ::close(descriptor_);
}

sf_count_t buffered_file_reader::read(void* to, sf_count_t bytes) {
    char* out = static_cast<char*>(to);
    sf_count_t done = 0;
    while (done < bytes) {
        const long long offset = position_ - buffer_position_;
        if (offset >= 0 && offset < static_cast<long long>(buffered_)) {
            const std::size_t piece =
                std::min(std::size_t(bytes - done), buffered_ - std::size_t(offset));
            std::memcpy(out + done, buffer_.data() + offset, piece);
            done += sf_count_t(piece);
            position_ += static_cast<long long>(piece);
            continue;
        }
        const ssize_t got =
            ::pread(descriptor_, buffer_.data(), buffer_.size(), start_ + position_);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failure_ = errno;
        buffer_position_ = position_;
        buffered_ = got > 0 ? std::size_t(got) : 0;
        if (got <= 0) break;
    }
    return done;
}

sf_count_t buffered_file_reader::seek(sf_count_t offset, int whence) {
    const long long base = whence == SEEK_CUR ? position_ : whence == SEEK_END ? length_ : 0;
    position_ = std::max(0LL, base + offset);
    return position_;
}

SF_VIRTUAL_IO& buffered_file_reader::callbacks() {
    static SF_VIRTUAL_IO io = {
        [](void* user) -> sf_count_t { return reader(user).length_; },
        [](sf_count_t offset, int whence, void* user) { return reader(user).seek(offset, whence); },
        [](void* to, sf_count_t bytes, void* user) { return reader(user).read(to, bytes); },
        nullptr,
        [](void* user) -> sf_count_t { return reader(user).position_; },
    };
    return io;
}

}  // namespace ambiora_cli
