# GoogleTest from Debian's source package, built with the same compiler and
# flags as the code under test (for Windows: mingw-w64).
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
if(EXISTS /usr/src/googletest/CMakeLists.txt)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  message(FATAL_ERROR "GoogleTest sources missing: install Debian's googletest package")
endif()

# vistrel_test(<name> SOURCES ... LIBS ... [GUI] [TIMEOUT s])
# One executable, one CTest entry. Under Wine the emulator wrapper supplies the
# prefix and display. GUI marks tests that open windows (kept for readers; all
# Wine tests are serialised anyway).
function(vistrel_test name)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gmock gtest_main)
  target_compile_options(${name} PRIVATE ${VISTREL_WARNINGS})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  if(WIN32)
    # All Wine tests share one prefix: its registry keys, clipboard, display
    # and focus. Run them one at a time so they never see each other.
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK vistrel_prefix)
  endif()
endfunction()
