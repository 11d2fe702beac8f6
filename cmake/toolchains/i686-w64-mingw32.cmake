# 32-bit Windows with Debian's mingw-w64. Built and linked only: no
# emulator, since a 32-bit Wine needs a host that runs 32-bit programs.
set(DRO_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
