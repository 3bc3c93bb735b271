#include "pending_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "file_access.h"

#include "messages.h"

namespace ambiora_cli {
namespace {

// The temporary file a signal handler must remove, kept in storage the handler can read without
// allocating. One output is pending at a time.
char signal_cleanup_path[4096];
volatile std::sig_atomic_t signal_cleanup_armed = 0;

extern "C" void remove_pending_and_reraise(int signal_number) {
    if (signal_cleanup_armed) ::unlink(signal_cleanup_path);
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

void arm_signal_cleanup(const std::string& path) {
    if (path.size() >= sizeof signal_cleanup_path) return;
    std::memcpy(signal_cleanup_path, path.c_str(), path.size() + 1);
    signal_cleanup_armed = 1;
    // A signal ignored when we started (nohup ignores SIGHUP) stays ignored: the caller chose that.
    for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        struct sigaction now {};
        if (::sigaction(s, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) continue;
        std::signal(s, remove_pending_and_reraise);
    }
}

void disarm_signal_cleanup() {
    signal_cleanup_armed = 0;
}

std::string directory_of(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string file_name_of(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

pending_output::pending_output(std::string target)
    : target_(std::move(target)), to_stdout_(target_ == standard_stream_name) {
    const std::string cannot = "cannot write " + target_ + ": ";
    if (to_stdout_) {
        target_ = "standard output";
        const char* folder = std::getenv("TMPDIR");
        std::string pattern =
            std::string(folder != nullptr && *folder ? folder : "/tmp") + "/ambiora-stdout-XXXXXX";
        descriptor_ = ::mkstemp(pattern.data());
        if (descriptor_ < 0)
            throw run_error("cannot write standard output: " + system_error_text(errno) +
                            " (making " + pattern + ")");
        ::unlink(pattern.c_str());  // nothing to leave behind, whatever happens
        return;
    }
    if (target_.empty() || target_.back() == '/') throw run_error(cannot + "it names a directory");
    struct stat status {};
    if (::stat(target_.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        throw run_error(cannot + "it is a directory");
    }
    std::string pattern = directory_of(target_) + "/." + file_name_of(target_) + ".partial-XXXXXX";
    descriptor_ = ::mkstemp(pattern.data());
    if (descriptor_ < 0) throw run_error(cannot + system_error_text(errno));
    temporary_ = pattern;
    arm_signal_cleanup(temporary_);
    // mkstemp makes the file private; the result should get the permissions any new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(descriptor_, 0666 & ~mask);
}

pending_output::~pending_output() {
    if (descriptor_ >= 0) ::close(descriptor_);
    if (!committed_ && !to_stdout_) {
        ::unlink(temporary_.c_str());
        disarm_signal_cleanup();
    }
}

int pending_output::release_descriptor() {
    if (to_stdout_) return ::fcntl(descriptor_, F_DUPFD_CLOEXEC, 0);
    const int d = descriptor_;
    descriptor_ = -1;
    return d;
}

std::FILE* pending_output::open_stream() {
    std::FILE* stream = ::fdopen(to_stdout_ ? release_descriptor() : descriptor_, "wb");
    if (stream == nullptr)
        throw run_error("cannot write " + target_ + ": " + system_error_text(errno));
    if (!to_stdout_) descriptor_ = -1;
    return stream;
}

void pending_output::copy_to_standard_output() {
    if (::lseek(descriptor_, 0, SEEK_SET) != 0)
        throw run_error("cannot write standard output: " + system_error_text(errno));
    char buffer[65536];
    ssize_t got = 0;
    while ((got = ::read(descriptor_, buffer, sizeof buffer)) > 0) {
        for (ssize_t sent = 0; sent < got;) {
            const ssize_t n = ::write(STDOUT_FILENO, buffer + sent, std::size_t(got - sent));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw run_error("cannot write standard output: " + system_error_text(errno));
            sent += n;
        }
    }
    if (got < 0) throw run_error("cannot write standard output: " + system_error_text(errno));
}

void pending_output::commit() {
    if (to_stdout_) {
        copy_to_standard_output();
        committed_ = true;
        return;
    }
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        descriptor_ = -1;
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        throw run_error("cannot write " + target_ + ": " + system_error_text(errno));
    }
    committed_ = true;
    disarm_signal_cleanup();
}

}  // namespace ambiora_cli
