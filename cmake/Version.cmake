configure_file(${CMAKE_SOURCE_DIR}/cmake/version.h.in ${CMAKE_BINARY_DIR}/generated/stelvan_version.h @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated)
