# The Windows build, after the layers: the resources of the executable, the
# program, its benchmark floor and its tests. Qt, libcurl and the Linux
# services stay out.
enable_language(RC)

# The executable's resources, linked into the program (and the test that reads
# them back) as an object.
string(LENGTH "${PROJECT_VERSION_MINOR}" minor_digits)
if(minor_digits LESS 2)
  set(QUILLON_VERSION_MINOR_2 "0${PROJECT_VERSION_MINOR}")
else()
  set(QUILLON_VERSION_MINOR_2 "${PROJECT_VERSION_MINOR}")
endif()
configure_file(resources/quillon_version.h.in ${PROJECT_BINARY_DIR}/resources/quillon_version.h @ONLY)
add_library(quillon_resources_win32 OBJECT resources/quillon.rc)
target_include_directories(quillon_resources_win32 PUBLIC ${PROJECT_SOURCE_DIR}/resources
                                                          ${PROJECT_BINARY_DIR}/resources)
# windres writes no dependency file: everything the script pulls in is listed.
set(rc_inputs quillon.manifest cursors/hand.cur icons/main.ico icons/about.ico pictures/brimlow.png
              pictures/donate.gif pictures/euro48.png pictures/title.jpg pictures/brimlow@2x.png
              pictures/donate@2x.gif pictures/euro48@2x.png pictures/title@2x.jpg quillon_rc.h)
list(TRANSFORM rc_inputs PREPEND ${PROJECT_SOURCE_DIR}/resources/)
set_property(SOURCE resources/quillon.rc APPEND PROPERTY OBJECT_DEPENDS ${rc_inputs}
                                                       ${PROJECT_BINARY_DIR}/resources/quillon_version.h)

add_subdirectory(src/app)
if(QUILLON_BENCH)
  add_subdirectory(bench/windows)
endif()

if(QUILLON_TESTS)
  enable_testing()
  add_subdirectory(tests/win32)
endif()
