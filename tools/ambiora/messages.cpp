#include "messages.h"

#include <cstdio>
#include <cstring>

namespace ambiora_cli {
namespace {

bool quiet_flag = false;

void print_line(const char* prefix, const std::string& text) {
    std::fprintf(stderr, "ambiora: %s%s\n", prefix, text.c_str());
}

}  // namespace

void set_quiet(bool quiet) {
    quiet_flag = quiet;
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

std::string system_error_text(int error_number) {
    return std::strerror(error_number);
}

}  // namespace ambiora_cli
