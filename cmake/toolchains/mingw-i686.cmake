# Cross build for 32-bit Windows with mingw-w64, the player's own architecture.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ambiora_triple i686-w64-mingw32)

include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# All floating point in SSE2 registers, never x87: the 80-bit x87 registers would make results
# depend on register allocation and differ from the x64 build. Set here as well as in the project
# so that third-party code built by this toolchain (GoogleTest) and CMake's checks agree.
string(APPEND CMAKE_C_FLAGS_INIT " -msse2 -mfpmath=sse")
string(APPEND CMAKE_CXX_FLAGS_INIT " -msse2 -mfpmath=sse")

# No emulator: this kernel cannot execute 32-bit code, so the x86 build is checked statically
# (tools/windows/check_x86_dll.sh) and run under emulated 32-bit Wine by the Microsoft-ABI host
# (tools/windows/run_msabi_host.sh, in CI) and the smoke program (tools/windows/smoke_x86_qemu.sh).
