# Shared part of the mingw-w64 toolchains; the including file sets ambiora_triple first.
set(CMAKE_C_COMPILER ${ambiora_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ambiora_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${ambiora_triple}-windres)
set(CMAKE_AR ${ambiora_triple}-gcc-ar-posix CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${ambiora_triple}-gcc-ranlib-posix CACHE FILEPATH "Ranlib")

# Headers and libraries come from the mingw sysroot only; programs (python3, the resource
# compiler) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${ambiora_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link the C and C++ runtimes and winpthread in, so the DLL and the test programs import only
# system DLLs: the player's folder has no libstdc++-6.dll, and Wine's test runs would need one on
# the path.
set(ambiora_static_link "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${ambiora_static_link}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${ambiora_static_link}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${ambiora_static_link}")
