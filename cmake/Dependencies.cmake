# Libraries from Debian 12; scripts/setup installs them.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(nlohmann_json 3 REQUIRED)
find_package(CURL REQUIRED)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(SOXR REQUIRED IMPORTED_TARGET soxr)
pkg_check_modules(UTF8PROC REQUIRED IMPORTED_TARGET libutf8proc)
pkg_check_modules(UUID REQUIRED IMPORTED_TARGET uuid)
pkg_check_modules(LIBSECRET REQUIRED IMPORTED_TARGET libsecret-1)
pkg_check_modules(LIBPULSE REQUIRED IMPORTED_TARGET libpulse)
find_package(Qt6 REQUIRED COMPONENTS Core)
find_package(GTest REQUIRED)
find_package(benchmark REQUIRED)
# cpp-httplib for the tests' local HTTP servers: Debian ships it as a compiled
# library with a pkg-config file (its flags must match the library's build);
# elsewhere upstream's CMake package provides it.
pkg_check_modules(HTTPLIB IMPORTED_TARGET cpp-httplib)
if(HTTPLIB_FOUND)
    set(ORVENDI_HTTPLIB PkgConfig::HTTPLIB)
else()
    find_package(httplib REQUIRED)
    set(ORVENDI_HTTPLIB httplib::httplib)
endif()
