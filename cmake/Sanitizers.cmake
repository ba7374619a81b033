if(STELVAN_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(STELVAN_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT STELVAN_SANITIZE STREQUAL "")
  message(FATAL_ERROR "Unknown STELVAN_SANITIZE value: ${STELVAN_SANITIZE}")
endif()
if(STELVAN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "Fuzz targets need clang")
  endif()
  # Libraries get coverage instrumentation; only fuzz targets link the fuzzer main.
  # Undefined behaviour stops the run as a crash (else it is printed and fuzzing goes on).
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
