# trov_subsystem(NAME deps...): a static library from every .cpp in the current folder
# (and its builtin/ sub-folder for effects). New files are picked up on the next build.
function(trov_subsystem name)
  file(GLOB_RECURSE _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT _srcs)
    # Nothing built here yet: still a target, so the layers above can name it.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN})
    return()
  endif()
  add_library(${name} STATIC ${_srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# trov_tests(NAME deps...): one GoogleTest executable from every .cpp in the current folder.
function(trov_tests name)
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT _srcs)
    return()
  endif()
  add_executable(${name} ${_srcs} ${PROJECT_SOURCE_DIR}/cmake/TestEnvironment.cpp
    ${PROJECT_SOURCE_DIR}/cmake/LsanSuppressions.cpp)
  target_compile_definitions(${name} PRIVATE TROV_SOURCE_DIR_VALUE="${PROJECT_SOURCE_DIR}"
    TROV_BUILD_DIR_VALUE="${PROJECT_BINARY_DIR}")
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARGN} trov_testsupport GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120)
endfunction()
