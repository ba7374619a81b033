include(GoogleTest)
# stelvan_gtest(NAME <name> SOURCES ... LIBS ... LABELS ... [TIMEOUT s])
# One executable per call; every test case becomes a ctest entry with the labels.
function(stelvan_gtest)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  stelvan_warnings(${T_NAME})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  # Where helper programs and the recorded captures are; see tests/TestPaths.h.
  target_compile_definitions(${T_NAME} PRIVATE
    STELVAN_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/bin" STELVAN_TEST_SHARED_DIR="${STELVAN_SHARED_DIR}")
  gtest_discover_tests(${T_NAME}
    PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT} ENVIRONMENT QT_QPA_PLATFORM=offscreen
    DISCOVERY_TIMEOUT 30)
endfunction()
