# libjpeg from Debian's libjpeg-turbo source package (fetched by scripts/setup), cross-built here.
include(ExternalProject)

file(GLOB _korv_jpeg_dirs "${PROJECT_SOURCE_DIR}/.deps/src/libjpeg-turbo-*")
list(SORT _korv_jpeg_dirs)
list(POP_BACK _korv_jpeg_dirs _korv_jpeg_default)
set(KORV_JPEG_SOURCE_DIR "${_korv_jpeg_default}" CACHE PATH "libjpeg-turbo source tree")
if(NOT EXISTS "${KORV_JPEG_SOURCE_DIR}/CMakeLists.txt")
  message(FATAL_ERROR "libjpeg-turbo sources not found under ${PROJECT_SOURCE_DIR}/.deps/src; run scripts/setup "
                      "there first, or set KORV_JPEG_SOURCE_DIR.")
endif()

set(_korv_jpeg_prefix "${PROJECT_BINARY_DIR}/deps/jpeg")
ExternalProject_Add(libjpeg_turbo
  SOURCE_DIR "${KORV_JPEG_SOURCE_DIR}"
  BINARY_DIR "${PROJECT_BINARY_DIR}/deps/jpeg-build"
  INSTALL_DIR "${_korv_jpeg_prefix}"
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON
    -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF -DWITH_JPEG8=ON
    -DCMAKE_POLICY_DEFAULT_CMP0091=NEW
  BUILD_BYPRODUCTS "${_korv_jpeg_prefix}/lib/libjpeg.a"
  UPDATE_COMMAND ""
  TEST_COMMAND "")

file(MAKE_DIRECTORY "${_korv_jpeg_prefix}/include")
add_library(korv_jpeg STATIC IMPORTED GLOBAL)
set_target_properties(korv_jpeg PROPERTIES
  IMPORTED_LOCATION "${_korv_jpeg_prefix}/lib/libjpeg.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_korv_jpeg_prefix}/include")
add_dependencies(korv_jpeg libjpeg_turbo)
