# Windows programs take their command line as UTF-16: a program with wmain or
# wWinMain is linked with -municode so that the C runtime calls that entry.
# (GoogleTest's main is the narrow main and needs nothing.)
function(dro_unicode_entry target)
  if(WIN32)
    target_link_options(${target} PRIVATE -municode)
  endif()
endfunction()
