# Warnings apply to our own targets only; call stelvan_warnings(<target>).
function(stelvan_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-unused-parameter)
  if(STELVAN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
