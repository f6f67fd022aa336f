# libjpeg-turbo's TurboJPEG library as the target TurboJpeg::turbojpeg.
#
# Host builds use Debian's libturbojpeg0-dev. The Windows build cross-compiles the same
# release statically, with its SIMD code (nasm), from Debian's source package that
# scripts/bootstrap keeps in ~/.cache; it is built once per build tree, and its licence texts
# go beside the programs.
if(TARGET TurboJpeg::turbojpeg)
  return()
endif()

if(NOT WIN32)
  find_path(TURBOJPEG_INCLUDE_DIR turbojpeg.h)
  find_library(TURBOJPEG_LIBRARY turbojpeg)
  if(NOT TURBOJPEG_INCLUDE_DIR OR NOT TURBOJPEG_LIBRARY)
    message(FATAL_ERROR "libturbojpeg0-dev is missing: run scripts/bootstrap")
  endif()
  add_library(TurboJpeg::turbojpeg UNKNOWN IMPORTED)
  set_target_properties(TurboJpeg::turbojpeg PROPERTIES
    IMPORTED_LOCATION ${TURBOJPEG_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${TURBOJPEG_INCLUDE_DIR})
  return()
endif()

set(_cache_home "$ENV{XDG_CACHE_HOME}")
if(NOT _cache_home)
  set(_cache_home "$ENV{HOME}/.cache")
endif()
set(TESSO_LIBJPEG_TURBO_SOURCE "${_cache_home}/tesso/libjpeg-turbo/libjpeg-turbo-2.1.5"
  CACHE PATH "libjpeg-turbo 2.1.5 source tree (Debian's source package, fetched by scripts/bootstrap)")
if(NOT EXISTS "${TESSO_LIBJPEG_TURBO_SOURCE}/turbojpeg.h")
  message(FATAL_ERROR "libjpeg-turbo source not found in ${TESSO_LIBJPEG_TURBO_SOURCE}: run scripts/bootstrap")
endif()
find_program(TESSO_NASM nasm)
if(NOT TESSO_NASM)
  message(FATAL_ERROR "nasm is missing (libjpeg-turbo's SIMD code needs it): run scripts/bootstrap")
endif()

include(ExternalProject)
set(_turbo_build ${CMAKE_BINARY_DIR}/libjpeg-turbo)
set(_turbo_library ${_turbo_build}/build/libturbojpeg.a)
ExternalProject_Add(libjpeg_turbo_build
  SOURCE_DIR ${TESSO_LIBJPEG_TURBO_SOURCE}
  PREFIX ${_turbo_build}
  BINARY_DIR ${_turbo_build}/build
  INSTALL_DIR ${_turbo_build}/install
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64.cmake
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
    -DCMAKE_ASM_NASM_COMPILER=${TESSO_NASM}
    -DENABLE_SHARED=OFF
    -DENABLE_STATIC=ON
    -DWITH_TURBOJPEG=ON
    -DWITH_SIMD=ON
    -DREQUIRE_SIMD=ON
    -DWITH_JAVA=OFF
    -DWITH_CRT_DLL=OFF
  # Only the TurboJPEG library: the command-line tools and tests are not needed.
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target turbojpeg-static -j 2
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${_turbo_library}
  LOG_CONFIGURE ON
  LOG_BUILD ON
  LOG_OUTPUT_ON_FAILURE ON)

add_library(TurboJpeg::turbojpeg STATIC IMPORTED GLOBAL)
set_target_properties(TurboJpeg::turbojpeg PROPERTIES
  IMPORTED_LOCATION ${_turbo_library}
  INTERFACE_INCLUDE_DIRECTORIES ${TESSO_LIBJPEG_TURBO_SOURCE})
add_dependencies(TurboJpeg::turbojpeg libjpeg_turbo_build)

# The licence texts travel with the program.
file(COPY ${TESSO_LIBJPEG_TURBO_SOURCE}/LICENSE.md ${TESSO_LIBJPEG_TURBO_SOURCE}/README.ijg
  DESTINATION ${CMAKE_BINARY_DIR}/bin/licenses/libjpeg-turbo)
