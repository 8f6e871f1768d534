# zakaz_add_gtest(NAME SOURCES a.cc b.cc LIBS lib1 lib2 [QT])
# One GoogleTest executable; every case is listed by CTest on its own.
# QT marks a test that needs a (offscreen) window system.
function(zakaz_add_gtest name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    ZAKAZ_SOURCE_DIR="${CMAKE_SOURCE_DIR}" ZAKAZ_BINARY_DIR="${CMAKE_BINARY_DIR}")
  set(props TIMEOUT 600)
  if(ARG_QT)
    list(APPEND props ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ${props})
endfunction()

# zakaz_add_fuzzer(NAME SOURCES a.cc LIBS lib1)
# Only the fuzzing configuration (clang, -DZAKAZ_FUZZ=ON) adds fuzz/.
function(zakaz_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()

# zakaz_add_benchmark(NAME SOURCES a.cc LIBS lib1)
function(zakaz_add_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  # Benchmarks against the tests' FTP daemons find them where the tests do.
  target_compile_definitions(${name} PRIVATE ZAKAZ_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endfunction()
