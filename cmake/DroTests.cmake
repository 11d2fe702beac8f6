# How a GoogleTest program becomes ctest tests: dro_add_gtest(target).
#
# Natively every case is a test of its own (gtest_discover_tests). In the
# 64-bit Windows build the program runs under Wine (the toolchain's emulator,
# scripts/wine-run.sh) as one test: Wine takes about a second to start, so a
# process per case would stretch the run to many minutes, and --gtest_brief
# leaves just the failed cases with their messages and the summary. All of a
# run's Windows tests share one Wine prefix, made afresh by the fixture test
# wine_prefix_setup before the first of them. Without an emulator (the 32-bit
# build) the programs are built and linked but not run.
include(GoogleTest)

if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
  set(DRO_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
  add_test(NAME wine_prefix_setup COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --setup)
  add_test(NAME wine_prefix_cleanup COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --stop)
  set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix)
  set_tests_properties(wine_prefix_cleanup PROPERTIES FIXTURES_CLEANUP wine_prefix)
  set_tests_properties(wine_prefix_setup wine_prefix_cleanup
                       PROPERTIES ENVIRONMENT WINEPREFIX=${DRO_WINEPREFIX} TIMEOUT 120)
endif()

function(dro_add_gtest target)
  if(NOT CMAKE_CROSSCOMPILING)
    gtest_discover_tests(${target})
  elseif(CMAKE_CROSSCOMPILING_EMULATOR)
    add_test(NAME ${target} COMMAND ${target} --gtest_brief=1 --gtest_color=no)
    set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine_prefix
                         ENVIRONMENT WINEPREFIX=${DRO_WINEPREFIX} TIMEOUT 600)
  endif()
endfunction()
