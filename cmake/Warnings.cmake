# Every target of ours builds warnings-clean with this set; ORVENDI_WERROR
# (scripts/test turns it on) makes any warning fail the build.
option(ORVENDI_WERROR "Treat compiler warnings as errors" OFF)

# The C++-only ones are left out of the few C sources (the Wayland protocol code).
set(ORVENDI_WARNING_FLAGS
    -Wall -Wextra -Wshadow -Wnull-dereference
    $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>
    $<$<COMPILE_LANGUAGE:CXX>:-Woverloaded-virtual>)
if(ORVENDI_WERROR)
    list(APPEND ORVENDI_WARNING_FLAGS -Werror)
endif()

function(orvendi_warnings target)
    target_compile_options(${target} PRIVATE ${ORVENDI_WARNING_FLAGS})
endfunction()
