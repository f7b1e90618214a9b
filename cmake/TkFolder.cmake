# tk_folder_library(folder): a static library tk_<folder> from every .cpp under <folder>/
# (platform/main holds the process entry and is left to the executable).
function(tk_folder_library folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${folder}/*.cpp")
  list(FILTER sources EXCLUDE REGEX "/platform/main/")
  if(NOT sources)
    set(sources "${CMAKE_SOURCE_DIR}/cmake/Empty.cpp")
  endif()
  add_library(tk_${folder} STATIC ${sources})
  target_include_directories(tk_${folder} PUBLIC "${CMAKE_SOURCE_DIR}")
  target_link_libraries(tk_${folder} PUBLIC SDL2::SDL2)
endfunction()

# tk_test_folder(folder): one test program per folder of tests/.
function(tk_test_folder folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(tests_${folder} ${sources} ${TK_TEST_SUPPORT})
  target_link_libraries(tests_${folder} PRIVATE tk_engine GTest::gtest_main GTest::gmock)
  target_include_directories(tests_${folder} PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}")
  add_dependencies(tests_${folder} duskmere2)
  gtest_discover_tests(tests_${folder} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 900)
endfunction()

# tk_build_paths_source(out): tests/support/BuildPaths.cpp, the one source compiled
# with the data folder's and the game program's paths, into `out`. Source
# properties hold in the folder that sets them, so each folder that compiles it asks.
function(tk_build_paths_source out)
  set(source "${CMAKE_SOURCE_DIR}/tests/support/BuildPaths.cpp")
  set_source_files_properties("${source}" PROPERTIES COMPILE_DEFINITIONS
      "TK_BUILD_DATA_DIR=\"${CMAKE_SOURCE_DIR}/data\";TK_BUILD_GAME_EXE=\"$<TARGET_FILE:duskmere2>\"")
  set(${out} "${source}" PARENT_SCOPE)
endfunction()
