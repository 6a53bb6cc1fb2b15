# Build helpers shared by every folder. Each folder owns its own CMakeLists.txt and lists its
# sources by glob, so adding a file needs no edit elsewhere.

# Adds every direct child folder of DIR that has a CMakeLists.txt, in name order.
function(v4n_add_subdirs dir)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# v4n_engine_library(NAME [DEPS lib...]): a static library of the .cpp files in the current folder,
# named v4n_NAME, with src/ on the include path so code includes "archive/archive.h" and so on.
function(v4n_engine_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  # A build for another target (the web) leaves out the files that cannot work there.
  if(V4N_SOURCE_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${V4N_SOURCE_EXCLUDE}")
  endif()
  # Program mains belong in app/: a library that defines one would take over every program and
  # test suite linking it.
  foreach(source ${sources})
    file(STRINGS ${source} main_lines REGEX "^[ \t]*int[ \t]+main[ \t]*\\(")
    if(main_lines)
      message(FATAL_ERROR "${source} defines main; program entry points belong in app/")
    endif()
  endforeach()
  if(sources)
    add_library(v4n_${name} STATIC ${sources})
    target_include_directories(v4n_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(v4n_${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(v4n_${name} INTERFACE)
    target_include_directories(v4n_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(v4n_${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# v4n_test_suite(NAME LABEL label [LIBS lib...] [DEFINES def...]): one GoogleTest executable
# v4n-test-NAME from the .cpp files of the current folder; every test carries LABEL for ctest -L.
function(v4n_test_suite name)
  cmake_parse_arguments(ARG "" "LABEL" "LIBS;DEFINES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(v4n-test-${name} ${sources})
  target_link_libraries(v4n-test-${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  # A main in a linked library would replace GoogleTest's and the suite would pass without running:
  # refuse to link such a suite.
  foreach(lib ${ARG_LIBS})
    if(TARGET ${lib})
      get_target_property(lib_type ${lib} TYPE)
      if(lib_type STREQUAL "STATIC_LIBRARY")
        add_custom_command(TARGET v4n-test-${name} PRE_LINK
          COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DLIBRARY=$<TARGET_FILE:${lib}>
                  -P ${PROJECT_SOURCE_DIR}/cmake/check_no_main.cmake
          VERBATIM)
      endif()
    endif()
  endforeach()
  target_include_directories(v4n-test-${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tools ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(v4n-test-${name} PRIVATE
    V4N_SOURCE_DIR="${PROJECT_SOURCE_DIR}" V4N_BINARY_DIR="${CMAKE_BINARY_DIR}" ${ARG_DEFINES})
  gtest_discover_tests(v4n-test-${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES LABELS ${ARG_LABEL}
    DISCOVERY_TIMEOUT 60)
endfunction()
