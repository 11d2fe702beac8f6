# Makes a delay-load import library of a system DLL from the toolchain's
# import library: every function that the import library names, bound when
# first called (through the C runtime's delay-load helper) instead of by the
# loader at start.
#
#   cmake -DNM=... -DDLLTOOL=... -DIMPORT=libuser32.a -DDLL=user32.dll
#         -DOUTPUT=libuser32-delay.a -DUNDERSCORE=ON|OFF -P DelayLoadLibrary.cmake
#
# UNDERSCORE: the target decorates C names with a leading underscore (i686),
# so that the names are written to the definitions without it.
execute_process(COMMAND ${NM} -g --defined-only ${IMPORT}
                OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${NM} cannot read ${IMPORT}")
endif()
string(REGEX MATCHALL "[0-9a-fA-F]+ T [^\n]+" functions "${listing}")
set(definitions "LIBRARY ${DLL}\nEXPORTS\n")
foreach(line IN LISTS functions)
  string(REGEX REPLACE "^[0-9a-fA-F]+ T " "" name "${line}")
  if(UNDERSCORE)
    string(REGEX REPLACE "^_" "" name "${name}")
  endif()
  string(APPEND definitions "${name}\n")
endforeach()
file(WRITE ${OUTPUT}.def "${definitions}")
set(kill_at)
if(UNDERSCORE)
  set(kill_at -k)
endif()
execute_process(COMMAND ${DLLTOOL} ${kill_at} -d ${OUTPUT}.def -D ${DLL} -y ${OUTPUT}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${DLLTOOL} cannot make ${OUTPUT}")
endif()
