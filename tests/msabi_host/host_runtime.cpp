#include "host_runtime.h"

#include <stdarg.h>

// The compiler references this symbol whenever floating point is used; the C run-time that
// normally defines it is not linked.
extern "C" int _fltused = 0;

namespace {

int passed = 0;
int failed = 0;
volatile DWORD last_exception_code = 0;

void vprint_line(const char* prefix, const char* format, va_list args) {
    char line[512];
    int used = _snprintf(line, sizeof line, "%s", prefix);
    const int more = _vsnprintf(line + used, sizeof line - used - 1, format, args);
    used = more < 0 ? int(sizeof line) - 2 : used + more;
    line[used++] = '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, DWORD(used), &written, nullptr);
}

// Kept out of line so that the guarded call stays a real call the unwinder sees.
__declspec(noinline) DWORD call_catching_faults(host_step step, void* context) {
    last_exception_code = 0;
    __try {
        step(context);
    } __except (last_exception_code = _exception_code(), EXCEPTION_EXECUTE_HANDLER) {
        return last_exception_code;
    }
    return 0;
}

}  // namespace

void print_line(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprint_line("", format, args);
    va_end(args);
}

bool check(bool ok, const char* name, const char* detail_format, ...) {
    char detail[400];
    va_list args;
    va_start(args, detail_format);
    const int n = _vsnprintf(detail, sizeof detail - 1, detail_format, args);
    va_end(args);
    detail[n < 0 ? sizeof detail - 1 : size_t(n)] = '\0';
    ++(ok ? passed : failed);
    print_line("%s %s%s%s", ok ? "PASS" : "FAIL", name, detail[0] && !ok ? ": " : "",
               ok ? "" : detail);
    return ok;
}

int passed_count() {
    return passed;
}
int failed_count() {
    return failed;
}

bool run_guarded(const char* step_name, host_step step, void* context) {
    const DWORD code = call_catching_faults(step, context);
    if (code == 0) return true;
    return check(false, step_name, "fault 0x%08lx inside the component; rest of the step skipped",
                 static_cast<unsigned long>(code));
}

bool same_bytes(const void* a, const void* b, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) {
        if (static_cast<const unsigned char*>(a)[i] != static_cast<const unsigned char*>(b)[i])
            return false;
    }
    return true;
}

bool is_finite(double x) {
    return x == x && x - x == 0.0;
}

size_t text_length(const char* text) {
    size_t n = 0;
    while (text[n] != '\0') ++n;
    return n;
}

bool same_text(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return a == b;
    for (; *a != '\0' && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}
