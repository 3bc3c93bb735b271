// Platform basics shared by the host interfaces: GUIDs, window and module handles, sample type.
//
// On Windows these are the system's own types. Elsewhere (the Linux build of the component and
// the host simulator) we declare layout-identical stand-ins so the same headers compile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using HWND = struct hwnd_opaque*;
using HINSTANCE = struct hinstance_opaque*;
using HANDLE = void*;
#endif

static_assert(sizeof(GUID) == 16, "GUIDs are 16 bytes in every layout the host uses");

// The player hands out 32-bit float samples on x86 and 64-bit doubles on x64. The Linux build
// follows the 32-bit player: its engine and its chunks are single precision throughout.
#if defined(_WIN64)
using audio_sample = double;
#else
using audio_sample = float;
#endif

#if !defined(_WIN32)
// The Windows headers (guiddef.h) define these two themselves.
inline bool operator==(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
inline bool operator!=(const GUID& a, const GUID& b) {
    return !(a == b);
}
#endif
