# What `cmake --install` puts on a system, and the Debian package CPack makes
# of it (`cpack -G DEB` in the build folder).
include(GNUInstallDirs)

# The agent, its launcher entry and icon install with the desktop layer
# (src/); the terminal tool and the backend install here.
foreach(program orvendictl orvendi-server)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

set(ORVENDI_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(ORVENDI_DESKTOP_ENTRY ${CMAKE_SOURCE_DIR}/src/platform/linux/qt/orvendi.desktop)

# The agent starts with the desktop session through the same launcher entry.
# Autostart entries are read from /etc/xdg, not from /usr/etc: like
# GNUInstallDirs, a /usr installation puts its configuration in /etc. The
# folder is chosen when installing, so the prefix given to `cmake --install`
# or to CPack counts, and DESTDIR applies.
if(TARGET orvendi)
    install(CODE "
        if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
            set(orvendi_autostart_dir /etc/xdg/autostart)
        else()
            set(orvendi_autostart_dir \"\${CMAKE_INSTALL_PREFIX}/etc/xdg/autostart\")
        endif()
        file(INSTALL DESTINATION \"\${orvendi_autostart_dir}\" TYPE FILE
            FILES \"${ORVENDI_DESKTOP_ENTRY}\")
    ")
endif()

# A systemd user unit for the backend with its defaults. systemd wants the
# program's absolute path, which is known only when installing. Each
# destination gets its own copy of the unit, so that installations running at
# once (CPack and a `cmake --install`) cannot mix them up.
if(TARGET orvendi-server)
    install(CODE "
        set(ORVENDI_SERVER_PATH \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/orvendi-server\")
        string(SHA1 orvendi_destination \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
        set(orvendi_unit \"${CMAKE_BINARY_DIR}/packaging/\${orvendi_destination}/orvendi-server.service\")
        configure_file(\"${ORVENDI_PACKAGING_DIR}/orvendi-server.service.in\" \"\${orvendi_unit}\" @ONLY)
        file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/user\" TYPE FILE
            FILES \"\${orvendi_unit}\")
    ")
endif()

# The Debian package. CPack installs into a staging root with DESTDIR and the
# prefix /usr, so the autostart entry above lands in /etc.
set(CPACK_PACKAGE_NAME orvendi)
set(CPACK_PACKAGE_VENDOR "Orvendi")
set(CPACK_PACKAGE_CONTACT "Orvendi developers <orvendi@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dictation agent: hold a key, speak, and the text lands where you type")
set(CPACK_PACKAGE_DESCRIPTION "Orvendi records while the dictation key is held, has the speech
recognised and pastes the text into the focused application. The package holds
the desktop agent (orvendi), the terminal tool (orvendictl) and the
self-hosted backend (orvendi-server) with offline speech recognition.")
set(CPACK_GENERATOR DEB)
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The shared libraries the programs link come from dpkg-shlibdeps. What they
# load at run time is listed by hand: Qt's X11 platform plugin, and the
# English model the backend's offline recogniser reads.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, pocketsphinx-en-us")
# The accessibility bus (the text field under the caret) and a Secret Service
# (where the session is kept) are services of the desktop, not libraries.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "at-spi2-core, gnome-keyring")
include(CPack)

# Builds the package from this build (nothing is rebuilt), unpacks it into a
# scratch root and runs the programs from there.
if(TARGET orvendi AND TARGET orvendictl AND TARGET orvendi-server)
    add_test(NAME debian_package_runs_from_an_unpacked_root
        COMMAND ${ORVENDI_PACKAGING_DIR}/check-debian-package ${CMAKE_BINARY_DIR}
            ${PROJECT_VERSION})
    set_tests_properties(debian_package_runs_from_an_unpacked_root PROPERTIES
        LABELS "integration;package" TIMEOUT 300)
endif()
