# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the POSIX-thread
# flavour, for std::thread and std::mutex). The libraries Debian has no MinGW
# build of are in the cache that scripts/windows-deps fills; the tests run
# under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ALBUMDL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ALBUMDL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ALBUMDL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ALBUMDL_MINGW_PREFIX}-windres)

# The same folder scripts/windows-deps builds into.
if(NOT ALBUMDL_WINDOWS_DEPS)
  if(DEFINED ENV{ALBUMDL_WINDOWS_DEPS} AND NOT "$ENV{ALBUMDL_WINDOWS_DEPS}" STREQUAL "")
    set(deps "$ENV{ALBUMDL_WINDOWS_DEPS}")
  elseif(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(deps "$ENV{XDG_CACHE_HOME}/albumdl/windows-deps")
  else()
    set(deps "$ENV{HOME}/.cache/albumdl/windows-deps")
  endif()
  set(ALBUMDL_WINDOWS_DEPS "${deps}" CACHE PATH "The Windows libraries (scripts/windows-deps)")
endif()

# Libraries and headers come from the MinGW sysroot and the cache only, never
# from the build machine's /usr; programs (tclsh, python3) from the machine.
set(CMAKE_FIND_ROOT_PATH /usr/${ALBUMDL_MINGW_PREFIX} ${ALBUMDL_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wine runs the programs the build makes: ctest's tests, the test discovery.
# Debian's wine64 package has its launcher outside the PATH. Its own folder
# (prefix) lives in the build tree; without Mono and Gecko, which it would
# otherwise offer to download on its first start; quiet. Wine hands file names
# to Linux in the locale's encoding: without a UTF-8 locale every name outside
# ASCII fails to be made.
find_program(ALBUMDL_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ALBUMDL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env LC_ALL=C.UTF-8 WINEPREFIX=${CMAKE_BINARY_DIR}/wine WINEDEBUG=-all
          WINEDLLOVERRIDES=mscoree,mshtml=
          ${ALBUMDL_WINE})
endif()

# One program without DLLs beside it: the C and C++ runtimes and winpthread
# linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
