# GoogleTest for the Windows build: compiled with the cross compiler from
# Debian's own sources (package googletest, /usr/src/googletest) as static
# libraries. The targets have the names find_package(GTest) gives the native
# build (GTest::gtest_main and so on), so a test folder links the same way on
# both.
set(DRO_GOOGLETEST_SOURCE /usr/src/googletest
    CACHE PATH "GoogleTest sources that the Windows build compiles")
if(NOT EXISTS ${DRO_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${DRO_GOOGLETEST_SOURCE}: "
                      "install the Debian package googletest (scripts/install-deps.sh)")
endif()

set(INSTALL_GTEST OFF CACHE INTERNAL "")
set(BUILD_GMOCK ON CACHE INTERNAL "")
set(gtest_force_shared_crt OFF CACHE INTERNAL "")
# Only what a test program links is built; the headers are system headers to
# our code, so their warnings are not ours.
add_subdirectory(${DRO_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

foreach(lib gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${lib})
    add_library(GTest::${lib} ALIAS ${lib})
  endif()
endforeach()
