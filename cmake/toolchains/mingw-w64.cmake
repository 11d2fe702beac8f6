# Shared part of the mingw-w64 toolchains: Debian's cross compilers with
# POSIX threads (the win32-thread flavour has no std::thread or std::mutex),
# the target's own headers and libraries only, and programs that import no
# runtime DLL: libgcc, libstdc++ and winpthread are linked in statically, so
# an .exe needs nothing but the DLLs of Windows itself.
#
# The including file sets DRO_MINGW_TRIPLE (x86_64-w64-mingw32, i686-w64-mingw32).

set(CMAKE_SYSTEM_NAME Windows)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR "${DRO_MINGW_TRIPLE}")

set(CMAKE_C_COMPILER ${DRO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DRO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${DRO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DRO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
