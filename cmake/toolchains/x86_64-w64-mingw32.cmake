# 64-bit Windows with Debian's mingw-w64. The programs (and so the tests)
# run here under Wine: scripts/wine-run.sh starts them in the prefix of the
# test run and hands their exit code back.
set(DRO_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

get_filename_component(_dro_root ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${_dro_root}/scripts/wine-run.sh)
