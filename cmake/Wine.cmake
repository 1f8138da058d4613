# Windows test programs run under Wine through CTest. Every build tree has a
# Wine prefix of its own, made once by the fixture test wine.prefix, so no
# test reads or writes the user's ~/.wine.
set(QUILLON_WINEPREFIX ${PROJECT_BINARY_DIR}/wineprefix)
# Mono and Gecko would be offered for download on the first start; no test
# needs them, and there is no network to fetch them from. The menu builder
# would write desktop entries and icons into the real home folder.
set(QUILLON_WINE_ENV
    WINEPREFIX=${QUILLON_WINEPREFIX}
    WINEDEBUG=-all
    "WINEDLLOVERRIDES=mscoree,mshtml=\;winemenubuilder.exe=d"
    WINEARCH=win64)

if(CMAKE_CROSSCOMPILING_EMULATOR)
  add_test(NAME wine.prefix
           COMMAND ${CMAKE_COMMAND} -DPREFIX=${QUILLON_WINEPREFIX} -DWINE=${CMAKE_CROSSCOMPILING_EMULATOR}
                   -P ${PROJECT_SOURCE_DIR}/cmake/WinePrefix.cmake)
  set_tests_properties(wine.prefix PROPERTIES FIXTURES_SETUP wine_prefix ENVIRONMENT "${QUILLON_WINE_ENV}"
                                              TIMEOUT 300)
endif()

# One CTest test per program, not per case: every Wine start costs a process
# tree of its own. LAUNCHER names a Linux program that runs the Wine command
# it is given; SERIAL runs the test alone. Without an emulator (the 32-bit
# build) the programs are only built.
function(quillon_wine_test target)
  cmake_parse_arguments(arg "SERIAL" "" "LAUNCHER;ENVIRONMENT" ${ARGN})
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    return()
  endif()
  if(arg_LAUNCHER)
    add_test(NAME win.${target} COMMAND ${arg_LAUNCHER} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${target}>)
  else()
    add_test(NAME win.${target} COMMAND ${target})
  endif()
  set_tests_properties(win.${target} PROPERTIES FIXTURES_REQUIRED wine_prefix RUN_SERIAL ${arg_SERIAL}
                       ENVIRONMENT "${QUILLON_WINE_ENV};${arg_ENVIRONMENT}" TIMEOUT 300)
endfunction()
