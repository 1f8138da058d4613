# The Windows build: the model, the windows and the services on the real Win32
# calls, with the resources of the executable. Qt, libcurl and the Linux
# services stay out; the window toolkit backend lives in src/toolkit/win32.
enable_language(RC)

add_subdirectory(src/runtime)
add_subdirectory(src/platform)
if(EXISTS ${PROJECT_SOURCE_DIR}/src/platform/win32/CMakeLists.txt)
  add_subdirectory(src/platform/win32)
endif()
add_subdirectory(src/toolkit)
if(EXISTS ${PROJECT_SOURCE_DIR}/src/toolkit/win32/CMakeLists.txt)
  add_subdirectory(src/toolkit/win32)
endif()
add_subdirectory(src/net)
add_subdirectory(src/about)
add_subdirectory(src/main_window)

# The executable's resources, linked into the program (and the test that reads
# them back) as an object.
configure_file(resources/quillon_version.h.in ${PROJECT_BINARY_DIR}/resources/quillon_version.h @ONLY)
add_library(quillon_resources_win32 OBJECT resources/quillon.rc)
target_include_directories(quillon_resources_win32 PUBLIC ${PROJECT_SOURCE_DIR}/resources
                                                          ${PROJECT_BINARY_DIR}/resources)
set_property(SOURCE resources/quillon.rc APPEND PROPERTY OBJECT_DEPENDS
  ${PROJECT_SOURCE_DIR}/resources/quillon.manifest ${PROJECT_SOURCE_DIR}/resources/cursors/hand.cur
  ${PROJECT_SOURCE_DIR}/resources/icons/main.ico ${PROJECT_SOURCE_DIR}/resources/icons/about.ico)

# The program needs the services and the resources of the executable.
if(TARGET quillon_toolkit_win32 AND TARGET quillon_platform_win32 AND TARGET quillon_resources_win32)
  add_subdirectory(src/app)
endif()

if(QUILLON_TESTS)
  enable_testing()
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
  add_subdirectory(tests/win32)
endif()
