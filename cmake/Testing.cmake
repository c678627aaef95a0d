# GoogleTest from the system when native; built from its sources when cross compiling, with
# every Windows test run under Wine in a prefix of its own and one Wine session per ctest run.
include(GoogleTest)

if(CMAKE_CROSSCOMPILING)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest_main ALIAS gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gmock ALIAS gmock)
  endif()

  set(WINE_TEST_PREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "WINEPREFIX used by ctest")
  set(WINE_LOCPATH "" CACHE PATH "LOCPATH for zh_CN.UTF-8 when locale-gen is not possible")
  set(_wine_env WINEPREFIX=${WINE_TEST_PREFIX} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
  if(WINE_LOCPATH)
    list(APPEND _wine_env LOCPATH=${WINE_LOCPATH})
  endif()
  # The Chinese locale makes the ANSI code page 936, as on the systems the tool is made for.
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env ${_wine_env} LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 /usr/bin/wine)

  add_custom_command(OUTPUT ${WINE_TEST_PREFIX}/system.reg
      COMMAND /bin/sh ${CMAKE_SOURCE_DIR}/cmake/make-wine-prefix.sh ${WINE_TEST_PREFIX}
      COMMENT "Creating Wine prefix ${WINE_TEST_PREFIX}" VERBATIM)
  add_custom_target(wineprefix ALL DEPENDS ${WINE_TEST_PREFIX}/system.reg)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-session.sh.in ${CMAKE_BINARY_DIR}/wine-session.sh @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/CTestCustom.cmake.in ${CMAKE_BINARY_DIR}/CTestCustom.cmake @ONLY)
else()
  find_package(GTest REQUIRED)
endif()

# folivane_add_gtest(target [GUI]): registers a test executable's cases with ctest. GUI tests
# share the cursor and the foreground window, so they run one at a time.
function(folivane_add_gtest target)
  cmake_parse_arguments(arg "GUI" "" "" ${ARGN})
  set(props TIMEOUT 120)
  if(arg_GUI)
    list(APPEND props RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ${props})
endfunction()
