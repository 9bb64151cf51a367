# GoogleTest from Debian's sources (package googletest), built by whichever compiler
# this tree uses, so the cross build gets a Windows GoogleTest.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
if(CMAKE_CROSSCOMPILING)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
endif()
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

if(CMAKE_CROSSCOMPILING)
  # Windows test programs run under Wine, in a prefix private to this build tree.
  # KV_WINE is the command that runs one of them: 32-bit Wine for the i686 build,
  # 64-bit Wine (its loader run directly) for the x86_64 build.
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(KV_WINE_ARCH win64)
  else()
    set(KV_WINE_ARCH win32)
  endif()
  set(KV_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(KV_WINE ${CMAKE_SOURCE_DIR}/scripts/wine-run ${KV_WINE_ARCH} ${KV_WINE_PREFIX})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KV_WINE})

  # Native helpers (pty peers, the emulated box) for the tests that talk to a COM port.
  include(ExternalProject)
  ExternalProject_Add(host_tools
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/host-tools
    CMAKE_ARGS -DKV_HOST_TOOLS=ON -DCMAKE_BUILD_TYPE=Release
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target pty_peer kestrivane-box
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)
  set(KV_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools/tests/tools)
  # with-box BOX OPTIONS -- COMMAND: the emulated box serves while COMMAND runs.
  set(KV_WITH_BOX ${CMAKE_SOURCE_DIR}/scripts/with-box ${CMAKE_BINARY_DIR}/host-tools/src/kestrivane-box)

  # The first Windows test makes the prefix and starts its wineserver, the last one stops it.
  add_test(NAME wine_start COMMAND ${KV_WINE} --init)
  set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine)
  add_test(NAME wine_stop COMMAND ${KV_WINE} --stop)
  set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

# kv_add_test(NAME SOURCES... LIBS...): one test program, one ctest entry.
function(kv_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} kv_stdio_files kv_dialog GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name})
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()
