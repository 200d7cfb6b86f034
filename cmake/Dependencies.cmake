# Libraries from Debian 12; scripts/setup installs them. Each group is looked
# for only when an option that needs it is on.

# The core, its Linux services without a display and orvendictl.
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

if(BUILD_TESTING)
    find_package(GTest REQUIRED)
endif()
if(ORVENDI_BUILD_BENCH)
    find_package(benchmark REQUIRED)
endif()

# The desktop layer: Qt widgets and web view, the tray over D-Bus, X11 input and AT-SPI.
if(ORVENDI_BUILD_DESKTOP AND NOT ORVENDI_SANITIZE)
    find_package(Qt6 REQUIRED COMPONENTS Gui Widgets Svg Network DBus WebEngineWidgets)
    pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11)
    pkg_check_modules(XI REQUIRED IMPORTED_TARGET xi)
    pkg_check_modules(XTST REQUIRED IMPORTED_TARGET xtst)
    # Text into native windows of a Wayland session: a virtual keyboard with
    # the session's keymap.
    pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)
    pkg_check_modules(XKBCOMMON REQUIRED IMPORTED_TARGET xkbcommon)
    find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
endif()
# AT-SPI's role names: the desktop layer and its display-free rules, which the
# unit tests (also under the sanitizers) cover.
if(ORVENDI_BUILD_DESKTOP OR BUILD_TESTING)
    pkg_check_modules(ATSPI REQUIRED IMPORTED_TARGET atspi-2)
    # AT-SPI objects are GObjects; atspi-2.pc does not name the library.
    pkg_check_modules(GOBJECT REQUIRED IMPORTED_TARGET gobject-2.0)
endif()

# cpp-httplib, for the server and the tests' local HTTP servers: Debian ships
# it as a compiled library with a pkg-config file (its flags must match the
# library's build); elsewhere upstream's CMake package provides it.
if(ORVENDI_BUILD_SERVER OR BUILD_TESTING)
    pkg_check_modules(HTTPLIB IMPORTED_TARGET cpp-httplib)
    if(HTTPLIB_FOUND)
        set(ORVENDI_HTTPLIB PkgConfig::HTTPLIB)
    else()
        find_package(httplib REQUIRED)
        set(ORVENDI_HTTPLIB httplib::httplib)
    endif()
endif()

# orvendi-server: storage, secrets and offline speech recognition.
if(ORVENDI_BUILD_SERVER AND NOT ORVENDI_SANITIZE)
    # HTTP(S) on Boost.Beast and Asio (header-only) with OpenSSL.
    find_package(Boost 1.81 REQUIRED)
    find_package(OpenSSL REQUIRED)
    pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
    pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
    pkg_check_modules(POCKETSPHINX REQUIRED IMPORTED_TARGET pocketsphinx)
    # Debian's pocketsphinx.pc names /usr/include/sphinxbase, which does not
    # exist (those headers live in the multiarch folder); CMake refuses missing
    # folders.
    get_target_property(_orvendi_ps_dirs PkgConfig::POCKETSPHINX INTERFACE_INCLUDE_DIRECTORIES)
    set(_orvendi_ps_existing "")
    foreach(_dir IN LISTS _orvendi_ps_dirs)
        if(EXISTS "${_dir}")
            list(APPEND _orvendi_ps_existing "${_dir}")
        endif()
    endforeach()
    set_target_properties(PkgConfig::POCKETSPHINX PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES "${_orvendi_ps_existing}")
endif()
