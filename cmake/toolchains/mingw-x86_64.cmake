# Cross build for 64-bit Windows with mingw-w64. The -posix compilers are the ones with a working
# std::thread/std::mutex (GoogleTest and the tray thread need them).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ambiora_triple x86_64-w64-mingw32)

include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Test executables run through Wine's 64-bit loader directly: the plain `wine` wrapper tries the
# 32-bit loader first, which cannot start on a kernel without 32-bit execution.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
