// The built-in response set, compiled into the program so that nothing is read at run time.
//
// The table data itself is generated at build time from headphone/hrir_tables.bin by
// tools/embed_binary.py (see headphone/embed_hrir_tables.cmake), which defines hrir_table_data.
#include "engine/surround_engine.h"

namespace ambiora {

// 20 tables of 8192 samples, back to back, numbered t = 10 x bank + 2 x speaker + ear.
extern const float hrir_table_data[hrir_table_count * hrir_length];

const float* builtin_hrir_tables() {
    return hrir_table_data;
}

}  // namespace ambiora
