# Every target of ours builds warnings-clean with -Wall -Wextra.
function(orvendi_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
