// The little run-time the host has without a C run-time start-up: the few msvcrt functions it
// imports, console output through kernel32, the pass/fail tally, and a guard that turns a fault
// inside the component into a failed check instead of a dead process.
//
// Nothing here may need a static constructor or destructor: the host has no start-up code to run
// them, so every global is constant-initialised plain data.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// Imported from msvcrt.dll (see msvcrt.def); declared here rather than through the C headers,
// whose inline wrappers expect the newer universal run-time.
extern "C" {
int _snprintf(char* buffer, size_t size, const char* format, ...);
int _vsnprintf(char* buffer, size_t size, const char* format, va_list args);
void* malloc(size_t bytes);
void* realloc(void* block, size_t bytes);
void free(void* block);
double pow(double base, double exponent);
double sin(double x);
}

// Formats into a fixed line buffer and writes it, with a line feed, to standard output.
void print_line(const char* format, ...);

// Records one check: prints "PASS name" or "FAIL name: detail" and counts it.
bool check(bool ok, const char* name, const char* detail_format = "", ...);

int passed_count();
int failed_count();

// Runs `step(context)`; a hardware exception inside it (an access violation when a table slot or
// a struct return is wrong) is caught, reported as a failed check named after the step, and
// returns false.
using host_step = void (*)(void* context);
bool run_guarded(const char* step_name, host_step step, void* context);

// The same bits compared, not the same value: a GUID, a sample.
bool same_bytes(const void* a, const void* b, size_t bytes);
bool is_finite(double x);
size_t text_length(const char* text);
bool same_text(const char* a, const char* b);

// The stack pointer (its low half on x64) where it is read. On x86 the callee pops its own stack
// arguments (thiscall), the hidden result pointer of a struct return included (ret 4): a slot
// that does not leaves it moved.
__attribute__((always_inline)) inline unsigned stack_pointer() {
    unsigned sp;
    __asm__ volatile("movl %%esp, %0" : "=r"(sp)::"memory");
    return sp;
}
