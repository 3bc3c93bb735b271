# Compiles the built-in response tables into ambiora_engine.
#
# headphone/hrir_tables.bin (20 x 8192 little-endian float32, made by tools/hrir/) is turned into
# a C++ array at build time by tools/embed_binary.py, so the component never reads a file at run
# time and the native and the cross builds embed it the same way. builtin_hrir_tables.cpp hands
# the array out.
set(AMBIORA_HRIR_TABLES "${CMAKE_CURRENT_LIST_DIR}/hrir_tables.bin" CACHE FILEPATH
  "Response tables to embed (20 x 8192 little-endian float32)")
find_program(AMBIORA_PYTHON3 NAMES python3 REQUIRED)
get_filename_component(embed_binary_script "${CMAKE_CURRENT_LIST_DIR}/../../tools/embed_binary.py"
  ABSOLUTE)

set(hrir_table_bytes 655360)
if(NOT EXISTS "${AMBIORA_HRIR_TABLES}")
  message(FATAL_ERROR "Response tables not found: ${AMBIORA_HRIR_TABLES}")
endif()

set(hrir_tables_source "${CMAKE_CURRENT_BINARY_DIR}/headphone/hrir_table_data.cpp")
add_custom_command(
  OUTPUT "${hrir_tables_source}"
  COMMAND "${AMBIORA_PYTHON3}" "${embed_binary_script}"
    --input "${AMBIORA_HRIR_TABLES}" --output "${hrir_tables_source}"
    --symbol ambiora::hrir_table_data --element float --align 32
    --expect-bytes ${hrir_table_bytes}
  DEPENDS "${AMBIORA_HRIR_TABLES}" "${embed_binary_script}"
  COMMENT "Embedding the response tables"
  VERBATIM)
target_sources(ambiora_engine PRIVATE "${hrir_tables_source}")
