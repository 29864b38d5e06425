# Installation: headers under include/korvani/, the static libraries, libjpeg and the stored skin's
# resource object under lib/korvani/, and the package config with the targets Korvani::classlib,
# ::unicode, ::dragdrop, ::browser, ::widgets and ::skin. A program then needs only
#   find_package(Korvani CONFIG REQUIRED)
#   target_link_libraries(app PRIVATE Korvani::skin)
# configured with the installed toolchain file (lib/cmake/Korvani/toolchain-i686-mingw.cmake).
include(CMakePackageConfigHelpers)

set(_korv_cmake_dir "${CMAKE_INSTALL_LIBDIR}/cmake/Korvani")
set(_korv_lib_dir "${CMAKE_INSTALL_LIBDIR}/korvani")

get_property(_korv_libraries GLOBAL PROPERTY KORV_LIBRARIES)
install(TARGETS ${_korv_libraries} EXPORT KorvaniTargets ARCHIVE DESTINATION "${_korv_lib_dir}")
install(DIRECTORY "${PROJECT_SOURCE_DIR}/src/" DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/korvani"
        FILES_MATCHING PATTERN "*.h")
install(FILES "${_korv_jpeg_prefix}/lib/libjpeg.a" DESTINATION "${_korv_lib_dir}")
install(FILES "$<TARGET_OBJECTS:korv_skin_resource>" DESTINATION "${_korv_lib_dir}" RENAME KorvaniSkin.obj)

install(EXPORT KorvaniTargets NAMESPACE Korvani:: DESTINATION "${_korv_cmake_dir}")
configure_package_config_file("${CMAKE_CURRENT_LIST_DIR}/KorvaniConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/KorvaniConfig.cmake"
  INSTALL_DESTINATION "${_korv_cmake_dir}"
  PATH_VARS _korv_lib_dir)
write_basic_package_version_file("${PROJECT_BINARY_DIR}/KorvaniConfigVersion.cmake"
  COMPATIBILITY SameMinorVersion ARCH_INDEPENDENT)
install(FILES "${PROJECT_BINARY_DIR}/KorvaniConfig.cmake" "${PROJECT_BINARY_DIR}/KorvaniConfigVersion.cmake"
              "${CMAKE_CURRENT_LIST_DIR}/toolchain-i686-mingw.cmake"
        DESTINATION "${_korv_cmake_dir}")
