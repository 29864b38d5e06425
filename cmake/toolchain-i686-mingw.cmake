# Cross-compiles for 32-bit Windows with mingw-w64 (posix thread model, static runtime).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(KORV_MINGW_PREFIX i686-w64-mingw32)
# The unsuffixed compiler names are alternatives that may point at the win32 thread model.
set(CMAKE_C_COMPILER ${KORV_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORV_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KORV_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KORV_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages are also found outside the compiler's root: a library installed with
# -DCMAKE_INSTALL_PREFIX=/some/prefix is found with -DCMAKE_PREFIX_PATH=/some/prefix.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# -static is what keeps libwinpthread-1.dll out of the import table.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Every .exe of the build runs under Wine (ctest, gtest discovery, custom commands). The copy of
# this file installed with the package has no runner beside it: programs then run as the user
# chooses.
if(EXISTS "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run")
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run")
endif()

find_program(KORV_CCACHE ccache)
if(KORV_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER ${KORV_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${KORV_CCACHE})
endif()
