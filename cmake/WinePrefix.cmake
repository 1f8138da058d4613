# cmake -DPREFIX=<dir> -DWINE=<loader> -P WinePrefix.cmake
# Makes the Wine prefix once; later runs find it and return at once.
# Debian's Wine looks for its own fonts where they are not, so a prefix draws
# with whatever face comes closest; copied into the prefix's font folder they
# are found, as Windows finds its fonts there.
function(copy_wine_fonts)
  get_filename_component(wine_dir ${WINE} DIRECTORY)
  file(GLOB fonts ${wine_dir}/../../share/wine/fonts/*)
  file(COPY ${fonts} DESTINATION ${PREFIX}/drive_c/windows/Fonts)
endfunction()

if(EXISTS ${PREFIX}/system.reg)
  copy_wine_fonts()
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
copy_wine_fonts()
