# The libraries of the MinGW cross-build, under the names the rest of the build
# uses on Linux. scripts/windows-deps fills ALBUMDL_WINDOWS_DEPS (set by the
# toolchain file cmake/mingw-w64.cmake): static libcurl and SQLite, GoogleTest,
# cpp-httplib's whole header, and links to Debian's nlohmann/json, CLI11 and
# fmt headers. Nothing of the build machine's /usr/include is on the path.
set(deps ${ALBUMDL_WINDOWS_DEPS})
if(NOT EXISTS ${deps}/stamps/libcurl OR NOT EXISTS ${deps}/stamps/sqlite
   OR NOT EXISTS ${deps}/include/httplib.h)
  message(FATAL_ERROR "The Windows libraries are not in ${deps}: run scripts/install-deps windows")
endif()

# On Linux these headers sit in /usr/include, which every compile sees; the
# cache's include folder stands in for it, so that a header of ours that
# includes one of them works wherever it is included.
include_directories(SYSTEM ${deps}/include)

function(albumdl_header_library name)
  add_library(${name} INTERFACE IMPORTED)
  set_target_properties(${name} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${deps}/include)
endfunction()

albumdl_header_library(nlohmann_json::nlohmann_json)
albumdl_header_library(CLI11::CLI11)
albumdl_header_library(fmt::fmt)
# fmt as headers only: Debian's libfmt is built for Linux.
set_property(TARGET fmt::fmt PROPERTY INTERFACE_COMPILE_DEFINITIONS FMT_HEADER_ONLY=1)
albumdl_header_library(PkgConfig::HTTPLIB)
# Winsock; Windows 10's poll, and its own socket calls.
set_property(TARGET PkgConfig::HTTPLIB PROPERTY INTERFACE_LINK_LIBRARIES ws2_32)
set_property(TARGET PkgConfig::HTTPLIB PROPERTY INTERFACE_COMPILE_DEFINITIONS
                                                _WIN32_WINNT=0x0A00)

add_library(SQLite::SQLite3 STATIC IMPORTED)
set_target_properties(SQLite::SQLite3 PROPERTIES IMPORTED_LOCATION ${deps}/lib/libsqlite3.a
                                                 INTERFACE_INCLUDE_DIRECTORIES ${deps}/include)

# libcurl, static, with TLS from Windows (Schannel), zlib (Debian's MinGW
# build) and the system libraries that needs.
find_package(ZLIB REQUIRED)
add_library(CURL::libcurl STATIC IMPORTED)
set_target_properties(
  CURL::libcurl
  PROPERTIES IMPORTED_LOCATION ${deps}/lib/libcurl.a
             INTERFACE_INCLUDE_DIRECTORIES ${deps}/include
             INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
             INTERFACE_LINK_LIBRARIES "ZLIB::ZLIB;ws2_32;crypt32;bcrypt;secur32;iphlpapi")

if(ALBUMDL_BUILD_TESTS)
  find_package(GTest CONFIG REQUIRED PATHS ${deps} NO_DEFAULT_PATH)
endif()
