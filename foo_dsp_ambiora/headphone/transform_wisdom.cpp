#include "headphone/transform_wisdom.h"

#include <fftw3.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>

#include "headphone/headphone_renderer_state.h"

#if defined(_WIN32)
// clang-format off: windows.h must come before the shell's headers.
#include <windows.h>
#include <shlobj.h>
// clang-format on
#else
#include <unistd.h>
#endif

namespace ambiora {

const unsigned transform_planning = FFTW_MEASURE | FFTW_NO_BUFFERING;

namespace {

namespace fs = std::filesystem;

// Wisdom for our few plans is a few kilobytes; anything much larger is not ours.
constexpr std::streamsize largest_wisdom_file = 1 << 20;

// What FFTW last read from or wrote to the cache, as FFTW exports it: planning that found
// everything in the wisdom leaves the export unchanged, and the file is not rewritten.
std::string& wisdom_in_cache() {
    static std::string text;
    return text;
}

// The instruction set FFTW's codelets (and our own kernels) can use on this processor.
const char* instruction_set() {
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("avx512f")) return "avx512f";
    if (__builtin_cpu_supports("avx2")) return "avx2";
    if (__builtin_cpu_supports("avx")) return "avx";
    if (__builtin_cpu_supports("sse2")) return "sse2";
    return "x87";
#elif defined(__aarch64__)
    return "neon";
#else
    return "generic";
#endif
}

// FFTW version, precision, instruction set and plan set, in characters any file system takes.
std::string wisdom_key() {
    std::string key = std::string(fftwf_version) + "-float-" + instruction_set() +
                      "-r2c-c2r-unbuffered-" + std::to_string(transform_length);
    for (char& c : key) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!plain) c = '_';
    }
    return key;
}

std::string exported_wisdom() {
    // FFTW hands the string over from plain malloc, so free releases it; fftwf_free would not on
    // Windows, where FFTW's own allocations carry their alignment.
    std::unique_ptr<char, void (*)(void*)> text(fftwf_export_wisdom_to_string(), std::free);
    return text ? std::string(text.get()) : std::string();
}

fs::path cache_folder() {
#if defined(_WIN32)
    PWSTR local = nullptr;
    fs::path folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &local)))
        folder = fs::path(local) / L"ambiora";
    CoTaskMemFree(local);
    return folder;
#else
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    // A relative XDG_CACHE_HOME is invalid and is ignored, as the convention says.
    if (xdg != nullptr && xdg[0] == '/') return fs::path(xdg) / "ambiora";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return fs::path(home) / ".cache" / "ambiora";
    return {};
#endif
}

unsigned long process_id() {
#if defined(_WIN32)
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

// Replaces `target` by `source` in one step, so a reader sees the old file or the new one.
bool replace_file(const fs::path& source, const fs::path& target) {
#if defined(_WIN32)
    return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(source.c_str(), target.c_str()) == 0;
#endif
}

}  // namespace

fs::path transform_wisdom_file() {
    try {
        const fs::path folder = cache_folder();
        if (folder.empty()) return {};
        return folder / (wisdom_key() + ".wisdom");
    } catch (...) {
        return {};
    }
}

bool load_transform_wisdom() {
    try {
        const fs::path file = transform_wisdom_file();
        if (file.empty()) return false;
        std::ifstream in(file, std::ios::binary);
        if (!in) return false;
        std::string header;
        if (!std::getline(in, header) || header != wisdom_key()) return false;
        // Read in pieces: the wisdom is a few kilobytes, and filling a buffer the size of the
        // limit first cost more than the rest of the load.
        std::string text;
        char piece[16384];
        while (in.read(piece, sizeof piece) || in.gcount() > 0) {
            text.append(piece, std::size_t(in.gcount()));
            if (std::streamsize(text.size()) > largest_wisdom_file) return false;
        }
        // FFTW checks the text against its own version and codelets, and on any fault keeps the
        // wisdom it had.
        if (fftwf_import_wisdom_from_string(text.c_str()) == 0) return false;
        wisdom_in_cache() = exported_wisdom();
        return true;
    } catch (...) {
        return false;
    }
}

bool save_transform_wisdom() {
    try {
        const std::string text = exported_wisdom();
        if (text.empty()) return false;
        if (text == wisdom_in_cache()) return true;
        const fs::path file = transform_wisdom_file();
        if (file.empty()) return false;
        std::error_code error;
        fs::create_directories(file.parent_path(), error);
        if (error) return false;

        fs::path temporary = file;
        temporary += ".tmp" + std::to_string(process_id());
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out << wisdom_key() << '\n' << text;
            out.close();
            if (!out) {
                fs::remove(temporary, error);
                return false;
            }
        }
        if (!replace_file(temporary, file)) {
            fs::remove(temporary, error);
            return false;
        }
        wisdom_in_cache() = text;
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace ambiora
