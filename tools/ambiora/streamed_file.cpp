#include "streamed_file.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "messages.h"

namespace ambiora_cli {
namespace {

// Copies until the end of the file or until the reader has gone; MSG_NOSIGNAL keeps a reader
// that stopped early from raising SIGPIPE, which would end the whole program.
void copy_into(int file, int socket) {
    char buffer[65536];
    ssize_t got = 0;
    while ((got = ::read(file, buffer, sizeof buffer)) > 0) {
        for (ssize_t sent = 0; sent < got;) {
            const ssize_t n = ::send(socket, buffer + sent, std::size_t(got - sent), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            sent += n;
        }
    }
}

}  // namespace

streamed_file::streamed_file(int file, const std::string& path) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        const int error = errno;
        ::close(file);
        throw run_error("cannot read " + path + ": " + system_error_text(error));
    }
    reader_ = ends[0];
    copier_ = std::thread([file, writer = ends[1]] {
        copy_into(file, writer);
        ::close(file);
        ::close(writer);
    });
}

streamed_file::~streamed_file() {
    // Shutting the socket down reaches every descriptor of it, so the copier stops even while a
    // reader still holds one (or has lost track of it).
    ::shutdown(reader_, SHUT_RDWR);
    ::close(reader_);
    copier_.join();
}

int streamed_file::reader_descriptor() const {
    return ::fcntl(reader_, F_DUPFD_CLOEXEC, 0);
}

}  // namespace ambiora_cli
