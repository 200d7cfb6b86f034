# Installs the project into a scratch prefix and checks that the launcher
# entry registers the "orvendi:" link scheme and hands the link to the agent.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P CheckDesktopEntry.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
set(entry ${PREFIX}/share/applications/orvendi.desktop)
if(NOT EXISTS ${entry})
    message(FATAL_ERROR "no ${entry}")
endif()
file(STRINGS ${entry} lines)
foreach(expected "[Desktop Entry]" "Type=Application" "Name=Orvendi" "Exec=orvendi %u"
        "MimeType=x-scheme-handler/orvendi;" "Icon=orvendi")
    list(FIND lines "${expected}" found)
    if(found EQUAL -1)
        message(FATAL_ERROR "${entry} lacks the line ${expected}")
    endif()
endforeach()
if(NOT EXISTS ${PREFIX}/share/icons/hicolor/scalable/apps/orvendi.svg)
    message(FATAL_ERROR "the icon the entry names is not installed")
endif()
file(REMOVE_RECURSE ${PREFIX})
