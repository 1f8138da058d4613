# cmake -DPREFIX=<dir> -DWINE=<loader> -P WinePrefix.cmake
# Makes the Wine prefix once; later runs find it and return at once.
if(EXISTS ${PREFIX}/system.reg)
  return()
endif()
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${WINE} wineboot --init RESULT_VARIABLE booted)
get_filename_component(wine_dir ${WINE} DIRECTORY)
# The registry reaches its files only when the server ends.
execute_process(COMMAND ${wine_dir}/wineserver -w)
if(NOT booted EQUAL 0 OR NOT EXISTS ${PREFIX}/system.reg)
  file(REMOVE_RECURSE ${PREFIX})
  message(FATAL_ERROR "wineboot could not make the prefix ${PREFIX}")
endif()
