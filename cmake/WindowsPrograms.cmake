# Windows programs take their command line as UTF-16: a program with wmain or
# wWinMain is linked with -municode so that the C runtime calls that entry.
# (GoogleTest's main is the narrow main and needs nothing.)
function(dro_unicode_entry target)
  if(WIN32)
    target_link_options(${target} PRIVATE -municode)
  endif()
endfunction()

# A version resource for a program or DLL of the Windows build:
#   dro_version_resource(target "description" [MANIFEST file.manifest]
#                        [TYPELIB file.tlb])
# Its file and product version are the project's; a manifest, when given,
# goes in as the program's application manifest, a type library as the
# TYPELIB resource 1 that LoadTypeLib finds in the file.
function(dro_version_resource target description)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "MANIFEST;TYPELIB" "")
  get_target_property(type ${target} TYPE)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  if(type STREQUAL "EXECUTABLE")
    set(DRO_RC_TYPE VFT_APP)
    set(suffix .exe)
  else()
    set(DRO_RC_TYPE VFT_DLL)
    set(suffix .dll)
  endif()
  get_target_property(explicit_suffix ${target} SUFFIX)
  if(explicit_suffix)
    set(suffix ${explicit_suffix})
  endif()
  set(DRO_RC_NAME ${name})
  set(DRO_RC_FILE ${name}${suffix})
  set(DRO_RC_DESCRIPTION "${description}")
  set(DRO_RC_NUMBERS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
  set(DRO_RC_MANIFEST "")
  if(arg_MANIFEST)
    get_filename_component(manifest ${arg_MANIFEST} ABSOLUTE)
    set(DRO_RC_MANIFEST "1 24 \"${manifest}\"")
  endif()
  set(DRO_RC_TYPELIB "")
  if(arg_TYPELIB)
    set(DRO_RC_TYPELIB "1 TYPELIB \"${arg_TYPELIB}\"")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in ${rc} @ONLY)
  if(arg_TYPELIB)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${arg_TYPELIB})
  endif()
  target_sources(${target} PRIVATE ${rc})
endfunction()

# The DLLs of the system that a program binds when it first calls them
# (delay-loaded) instead of at start, before its entry can restrict where
# DLLs are searched (platform/DllSearch.h): all but kernel32, advapi32 and the
# C runtime, which Windows binds from its own list of known DLLs. A program
# whose entry calls platform::restrictDllSearch first:
#   dro_delay_load(target)
set(DRO_DELAY_LOADED user32 gdi32 shell32 ole32 oleaut32 comctl32 comdlg32 shlwapi)
function(dro_delay_load target)
  if(NOT WIN32)
    return()
  endif()
  set(underscore OFF)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(underscore ON)
  endif()
  set(folder ${PROJECT_BINARY_DIR}/delayload)
  foreach(dll IN LISTS DRO_DELAY_LOADED)
    set(lib ${folder}/lib${dll}.a)
    if(NOT TARGET dro_delay_${dll})
      find_library(DRO_IMPORT_${dll} NAMES lib${dll}.a ${dll} REQUIRED)
      add_custom_command(
        OUTPUT ${lib}
        COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DDLLTOOL=${CMAKE_DLLTOOL}
                -DIMPORT=${DRO_IMPORT_${dll}} -DDLL=${dll}.dll -DOUTPUT=${lib}
                -DUNDERSCORE=${underscore} -P ${PROJECT_SOURCE_DIR}/cmake/DelayLoadLibrary.cmake
        DEPENDS ${PROJECT_SOURCE_DIR}/cmake/DelayLoadLibrary.cmake
        COMMENT "Delay-load library of ${dll}.dll"
        VERBATIM)
      add_custom_target(dro_delay_${dll} DEPENDS ${lib})
    endif()
    add_dependencies(${target} dro_delay_${dll})
  endforeach()
  # Named as the ordinary import libraries and found before them, so that
  # every -lNAME of the link line, the compiler's own included, takes these.
  target_link_directories(${target} BEFORE PRIVATE ${folder})
endfunction()
