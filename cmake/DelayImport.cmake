# Delay-loaded system libraries: the program loads such a DLL at its first
# call into it, not at start. quillon_delay_import(VAR wininet) sets VAR to
# link a delay-import library made from the toolchain's import library, and
# the delay-load helper with it.
function(quillon_delay_import var dll)
  find_library(import_lib_${dll} NAMES lib${dll}.a ${dll} REQUIRED)
  set(out ${PROJECT_BINARY_DIR}/delayimp/lib${dll}_delayed.a)
  if(NOT EXISTS ${out})
    execute_process(COMMAND ${CMAKE_NM} ${import_lib_${dll}} OUTPUT_VARIABLE symbols RESULT_VARIABLE listed)
    string(REGEX MATCHALL " I __imp_[A-Za-z0-9_@]+" imports "${symbols}")
    list(TRANSFORM imports REPLACE " I __imp_" "")
    set(kill_at "")
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      # 32-bit names carry a leading underscore and their stdcall @n, which
      # the DLL's own export names do not.
      list(TRANSFORM imports REPLACE "^_" "")
      set(kill_at --kill-at)
    endif()
    list(REMOVE_DUPLICATES imports)
    if(NOT listed EQUAL 0 OR NOT imports)
      message(FATAL_ERROR "no imports found in ${import_lib_${dll}}")
    endif()
    list(JOIN imports "\n" exports)
    file(WRITE ${PROJECT_BINARY_DIR}/delayimp/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
    execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${PROJECT_BINARY_DIR}/delayimp/${dll}.def
                            --dllname ${dll}.dll ${kill_at} --output-delaylib ${out} RESULT_VARIABLE made)
    if(NOT made EQUAL 0)
      message(FATAL_ERROR "dlltool could not make the delay-import library of ${dll}")
    endif()
  endif()
  set(${var} ${out} delayimp PARENT_SCOPE)
endfunction()
