# FFTW 3, single precision. Natively it comes from the system (libfftw3-dev); the Windows builds
# point AMBIORA_FFTW_ROOT at a static cross-built copy (see tools/build_fftw_mingw.sh).
set(AMBIORA_FFTW_ROOT "" CACHE PATH "Prefix of a static single-precision FFTW build")
if(AMBIORA_FFTW_ROOT)
  add_library(fftw3f STATIC IMPORTED GLOBAL)
  set_target_properties(fftw3f PROPERTIES
    IMPORTED_LOCATION "${AMBIORA_FFTW_ROOT}/lib/libfftw3f.a"
    INTERFACE_INCLUDE_DIRECTORIES "${AMBIORA_FFTW_ROOT}/include")
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(FFTW3F REQUIRED IMPORTED_TARGET GLOBAL fftw3f)
  add_library(fftw3f ALIAS PkgConfig::FFTW3F)
endif()
