# The libraries of the PDF document library in the Windows build (qpdf,
# HarfBuzz with its subsetter, libpng, libjpeg-turbo, zlib, libdeflate):
# static libraries built from Debian's own sources by
# scripts/build-windows-deps.sh into a folder of the user's cache.
# `make windows` runs the script and hands its folder over as
# DRO_WINDOWS_DEPS; the target dro_windows_deps links them.
set(DRO_WINDOWS_DEPS "" CACHE PATH
    "Folder of the Windows libraries (the output of scripts/build-windows-deps.sh)")
if(NOT DRO_WINDOWS_DEPS OR NOT EXISTS "${DRO_WINDOWS_DEPS}/versions.txt")
  message(FATAL_ERROR
    "No Windows libraries in '${DRO_WINDOWS_DEPS}': build them with "
    "scripts/build-windows-deps.sh ${CMAKE_SYSTEM_PROCESSOR} and pass the folder it prints "
    "as -DDRO_WINDOWS_DEPS=... (make windows does both)")
endif()

add_library(dro_windows_deps INTERFACE)
target_include_directories(dro_windows_deps SYSTEM INTERFACE
  ${DRO_WINDOWS_DEPS}/include ${DRO_WINDOWS_DEPS}/include/harfbuzz)
# In the order a static link needs: users before what they use.
target_link_libraries(dro_windows_deps INTERFACE
  ${DRO_WINDOWS_DEPS}/lib/libqpdf.a
  ${DRO_WINDOWS_DEPS}/lib/libharfbuzz.a
  ${DRO_WINDOWS_DEPS}/lib/libpng16.a
  ${DRO_WINDOWS_DEPS}/lib/libjpeg.a
  ${DRO_WINDOWS_DEPS}/lib/libz.a
  advapi32)
