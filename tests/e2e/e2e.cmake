# Included by the native tree when YARROW_WIN_BUILD names the Windows build:
# registers the tests that run under Wine.
#
#   e2e.<name>   one E2E_TEST(name) of tests/e2e/*_e2e.cpp, run as
#                `harness.exe <name>`
#   wine.<name>  one tests/wine/<name>.exe
#   lint.cppcheck  static analysis of src/ and tests/support, and the one-way includes
#
# A Wine test owns its desktop while it runs (one copy of the program, one
# foreground window, one mouse). There are YARROW_E2E_DESKTOPS of them, each
# with its own Xvfb, prefix and wineserver (build/native/e2e,
# build/native/e2e-2, ...), and wine-run.sh gives each test the first free
# one, so that `ctest -j2` runs two Wine tests side by side (a Wine test
# mostly waits for messages between processes). With more jobs than
# desktops, the extra Wine tests wait for one. The fixture `wine_env`
# prepares every desktop before the first Wine test and tears them down
# after the last. Unit tests run in parallel with them.

set(E2E_DIR ${CMAKE_SOURCE_DIR}/tests/e2e)
set(E2E_STATE ${CMAKE_BINARY_DIR}/e2e)
set(E2E_HARNESS ${YARROW_WIN_BUILD}/tests/e2e/harness.exe)
set(YARROW_E2E_TIMEOUT 300 CACHE STRING "Seconds one Wine test may take")
# Seconds for setting up the environment; the first creation of a Wine prefix
# is slow, and slower still where 32-bit code runs under emulation.
set(YARROW_E2E_SETUP_TIMEOUT 2400 CACHE STRING "Seconds the Wine set-up may take")
option(YARROW_E2E_PRIVATE_DISPLAY "Run the Wine tests on a private Xvfb even when DISPLAY is set" ON)
set(YARROW_E2E_DESKTOPS 2 CACHE STRING "Wine environments that run tests side by side")

math(EXPR E2E_CTEST_TIMEOUT "${YARROW_E2E_TIMEOUT} + 60")

set(E2E_DESKTOPS ${YARROW_E2E_DESKTOPS})
if(NOT YARROW_E2E_PRIVATE_DISPLAY OR E2E_DESKTOPS LESS 1)
  # Desktops that share the display in DISPLAY would take each other's
  # foreground and mouse.
  set(E2E_DESKTOPS 1)
endif()

# Desktop 1 copies a prefix that scripts/run.sh created already rather than
# create one; the others copy desktop 1's once it is up.
set(E2E_STATES "")
foreach(desk RANGE 1 ${E2E_DESKTOPS})
  if(desk EQUAL 1)
    set(state ${E2E_STATE})
    set(suffix "")
    set(seed ${YARROW_WIN_BUILD}/run/wineprefix)
  else()
    set(state ${E2E_STATE}-${desk})
    set(suffix ${desk})
    set(seed ${E2E_STATE}/wineprefix)
  endif()
  if(E2E_STATES)
    string(APPEND E2E_STATES ":")
  endif()
  string(APPEND E2E_STATES ${state})
  set(up_env "YARROW_PREFIX_SEED=${seed}")
  if(YARROW_E2E_PRIVATE_DISPLAY)
    list(APPEND up_env "YARROW_XVFB=1")
  endif()
  add_test(NAME e2e.env${suffix}.up
    COMMAND ${CMAKE_COMMAND} -E env ${up_env}
            bash ${E2E_DIR}/wine-env.sh up ${state} ${YARROW_WIN_BUILD})
  set_tests_properties(e2e.env${suffix}.up PROPERTIES
    FIXTURES_SETUP wine_env TIMEOUT ${YARROW_E2E_SETUP_TIMEOUT})
  if(NOT desk EQUAL 1)
    set_tests_properties(e2e.env${suffix}.up PROPERTIES DEPENDS e2e.env.up)
  endif()
  add_test(NAME e2e.env${suffix}.down COMMAND bash ${E2E_DIR}/wine-env.sh down ${state})
  set_tests_properties(e2e.env${suffix}.down PROPERTIES FIXTURES_CLEANUP wine_env TIMEOUT 120)
endforeach()

function(yarrow_wine_test name)
  add_test(NAME ${name}
    COMMAND bash ${E2E_DIR}/wine-run.sh ${E2E_STATES} ${YARROW_E2E_TIMEOUT} ${ARGN})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine_env TIMEOUT ${E2E_CTEST_TIMEOUT}
    ENVIRONMENT "YARROW_EXE=${YARROW_WIN_BUILD}/Yarrowmeld.exe")
endfunction()

# End-to-end tests: the names of E2E_TEST(name) and E2E_TEST_CP(name, cp) in
# the test files. The files are configure dependencies, so a new test is
# registered at the next build. Wine takes the ANSI code page from LC_ALL.
set(E2E_LOCALE_932 ja_JP.UTF-8)
set(E2E_LOCALE_1252 C.UTF-8)
file(GLOB E2E_TEST_FILES CONFIGURE_DEPENDS ${E2E_DIR}/*_e2e.cpp)
set(E2E_NAMES "")
set(E2E_RE "^[ \t]*E2E_TEST(_CP)?[ \t]*\\([ \t]*([A-Za-z0-9_]+)[ \t]*(,[ \t]*([0-9]+)[ \t]*)?\\)")
foreach(file ${E2E_TEST_FILES})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  file(STRINGS ${file} lines REGEX "${E2E_RE}")
  foreach(line ${lines})
    string(REGEX MATCH "${E2E_RE}" match "${line}")
    set(name ${CMAKE_MATCH_2})
    set(cp 932)
    if(CMAKE_MATCH_1)
      set(cp ${CMAKE_MATCH_4})
    endif()
    if(NOT DEFINED E2E_LOCALE_${cp})
      message(FATAL_ERROR "E2E_TEST_CP(${name}, ${cp}): no locale known for code page ${cp}")
    endif()
    list(FIND E2E_NAMES ${name} seen)
    if(NOT seen EQUAL -1)
      message(FATAL_ERROR "the end-to-end test ${name} is defined twice")
    endif()
    list(APPEND E2E_NAMES ${name})
    yarrow_wine_test(e2e.${name} ${E2E_HARNESS} ${name})
    set_property(TEST e2e.${name} APPEND PROPERTY ENVIRONMENT "YARROW_LC_ALL=${E2E_LOCALE_${cp}}")
  endforeach()
endforeach()

# Win32 checks of window-free code: each tests/wine/<name>.cpp is one exe.
file(GLOB WINE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/*_test.cpp)
foreach(src ${WINE_TEST_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  yarrow_wine_test(wine.${name} ${YARROW_WIN_BUILD}/tests/wine/${name}.exe)
endforeach()

# Static analysis of the program's sources; fails on findings.
add_test(NAME lint.cppcheck COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/lint.sh)
set_tests_properties(lint.cppcheck PROPERTIES TIMEOUT 600)
