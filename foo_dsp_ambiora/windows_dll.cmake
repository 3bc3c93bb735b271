# Windows specifics of foo_dsp_ambiora.dll (included by CMakeLists.txt beside this file).
#
# The player loads the DLL by file name and calls one export, so the file is foo_dsp_ambiora.dll
# with no "lib" prefix and exports exactly `foobar2000_get_interface`. The .def file pins that
# name: an i686 symbol would otherwise be exported however the compiler decorated it.
enable_language(RC)

target_sources(foo_dsp_ambiora PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/foo_dsp_ambiora.def
  ${CMAKE_CURRENT_LIST_DIR}/resources/foo_dsp_ambiora.rc)

set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/resources/foo_dsp_ambiora.rc PROPERTIES
  COMPILE_DEFINITIONS
  "AMBIORA_VERSION_MAJOR=${PROJECT_VERSION_MAJOR};AMBIORA_VERSION_MINOR=${PROJECT_VERSION_MINOR};AMBIORA_VERSION_PATCH=${PROJECT_VERSION_PATCH}")

set_target_properties(foo_dsp_ambiora PROPERTIES
  PREFIX ""
  OUTPUT_NAME foo_dsp_ambiora
  # Nobody links against the component; no import library to install or ship.
  IMPORT_PREFIX ""
  IMPORT_SUFFIX ".dll.a")

# The toolchain links the C and C++ runtimes statically; say so here too, so that a build with
# another toolchain file still gives a DLL that imports only system libraries.
target_link_options(foo_dsp_ambiora PRIVATE -static -static-libgcc -static-libstdc++)

# Sections aligned in the file as in memory (4 KiB), so that a loader can map the image instead
# of reading it section by section: Wine does the latter for the toolchain's default 512-byte
# alignment, which made up most of LoadLibrary's time there (about 17 ms of 20). Windows loads
# either; the file grows by a few KiB of padding.
target_link_options(foo_dsp_ambiora PRIVATE -Wl,--file-alignment,0x1000)
