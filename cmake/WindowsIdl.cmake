# A COM interface written once as IDL, compiled by widl (mingw-w64-tools)
# into the C++ header its users include and the type library its server
# embeds. The imports of oaidl.idl come from Wine's IDL files (libwine-dev),
# the standard type library stdole2.tlb from Wine's Windows libraries.
#   dro_idl(target IDL_FILE NAME)
# makes the INTERFACE library `target`: linking it puts NAME.h on the include
# path (and builds it first); ${target}_TLB names the type library file.
function(dro_idl target idl name)
  set(triple ${DRO_MINGW_TRIPLE})
  find_program(DRO_WIDL NAMES ${triple}-widl widl REQUIRED)
  find_path(DRO_WINE_IDL oaidl.idl
            PATHS /usr/include/wine/wine/windows /usr/include/wine/windows
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  find_path(DRO_STDOLE2 stdole2.tlb
            PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows
                  /usr/lib/i386-linux-gnu/wine/i386-windows
                  /usr/lib/wine/x86_64-windows /usr/lib/wine/i386-windows
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(bits --win32)
  else()
    set(bits --win64)
  endif()
  get_filename_component(idl ${idl} ABSOLUTE)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target})
  set(header ${out}/${name}.h)
  set(tlb ${out}/${name}.tlb)
  add_custom_command(
    OUTPUT ${header} ${tlb}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
    # One output a run: with -h and -t together, -o names only the header.
    COMMAND ${DRO_WIDL} ${bits} --nostdinc -I${DRO_WINE_IDL} -h -o ${header} ${idl}
    COMMAND ${DRO_WIDL} ${bits} --nostdinc -I${DRO_WINE_IDL} -L${DRO_STDOLE2} -t -o ${tlb} ${idl}
    DEPENDS ${idl}
    COMMENT "widl: ${name}.h and ${name}.tlb"
    VERBATIM)
  add_custom_target(${target}_generated DEPENDS ${header} ${tlb})
  add_library(${target} INTERFACE)
  target_include_directories(${target} INTERFACE ${out})
  # Followed in its place by every target that links the interface library.
  add_dependencies(${target} ${target}_generated)
  set(${target}_TLB ${tlb} PARENT_SCOPE)
endfunction()
