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
# The desktop layer: Qt widgets and web view, the tray over D-Bus, X11 input and AT-SPI.
find_package(Qt6 REQUIRED COMPONENTS Gui Widgets Svg Network DBus WebEngineWidgets)
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11)
pkg_check_modules(XI REQUIRED IMPORTED_TARGET xi)
pkg_check_modules(XTST REQUIRED IMPORTED_TARGET xtst)
pkg_check_modules(ATSPI REQUIRED IMPORTED_TARGET atspi-2)
# AT-SPI objects are GObjects; atspi-2.pc does not name the library.
pkg_check_modules(GOBJECT REQUIRED IMPORTED_TARGET gobject-2.0)
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
# orvendi-server: storage, secrets and offline speech recognition (HTTP as above).
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
pkg_check_modules(POCKETSPHINX REQUIRED IMPORTED_TARGET pocketsphinx)
# Debian's pocketsphinx.pc names /usr/include/sphinxbase, which does not exist
# (those headers live in the multiarch folder); CMake refuses missing folders.
get_target_property(_orvendi_ps_dirs PkgConfig::POCKETSPHINX INTERFACE_INCLUDE_DIRECTORIES)
set(_orvendi_ps_existing "")
foreach(_dir IN LISTS _orvendi_ps_dirs)
    if(EXISTS "${_dir}")
        list(APPEND _orvendi_ps_existing "${_dir}")
    endif()
endforeach()
set_target_properties(PkgConfig::POCKETSPHINX PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${_orvendi_ps_existing}")
