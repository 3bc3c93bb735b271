#include "messages.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace ambiora_cli {
namespace {

bool quiet_flag = false;
// Where our own messages go: stderr, or under --quiet a copy of it made before stderr was pointed
// at /dev/null.
std::FILE* message_stream = nullptr;

void print_line(const char* prefix, const std::string& text) {
    std::fprintf(message_stream != nullptr ? message_stream : stderr, "ambiora: %s%s\n", prefix,
                 text.c_str());
}

// The decoders under libsndfile (mpg123 above all) print their own complaints on stderr. Under
// --quiet those go to /dev/null, and only our errors are printed, on a copy of the real stderr.
void silence_libraries() {
    if (message_stream != nullptr) return;
    const int copy = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (copy < 0 || null < 0) {
        if (copy >= 0) ::close(copy);
        if (null >= 0) ::close(null);
        return;
    }
    message_stream = ::fdopen(copy, "w");
    if (message_stream == nullptr) {
        ::close(copy);
    } else {
        std::setvbuf(message_stream, nullptr, _IOLBF, 0);
        std::fflush(stderr);
        ::dup2(null, STDERR_FILENO);
    }
    ::close(null);
}

}  // namespace

void set_quiet(bool quiet) {
    quiet_flag = quiet;
    if (quiet) silence_libraries();
}
bool is_quiet() {
    return quiet_flag;
}

void warn(const std::string& text) {
    if (!quiet_flag) print_line("warning: ", text);
}

void note(const std::string& text) {
    if (!quiet_flag) print_line("", text);
}

void print_error(const std::string& text) {
    print_line("", text);
}

std::string count_of(std::uint64_t count, const std::string& noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string system_error_text(int error_number) {
    return std::strerror(error_number);
}

}  // namespace ambiora_cli
