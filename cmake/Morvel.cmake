# Helpers that keep every layer's build file to a line or two. Sources are
# picked up by glob (CONFIGURE_DEPENDS), so adding a file needs no edit here.

set(MORVEL_WARNINGS -Wall -Wextra)
if(MORVEL_WERROR)
  list(APPEND MORVEL_WARNINGS -Werror)
endif()

# morvel_library(NAME [DIRS sub ...] [DEPS lib ...] [EXCLUDE file ...] [QT])
# A static library from the *.cpp files of the current folder and of DIRS,
# less the EXCLUDE files (names relative to the current folder).
function(morvel_library name)
  cmake_parse_arguments(ARG "QT" "" "DIRS;DEPS;EXCLUDE" ${ARGN})
  set(patterns ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(dir IN LISTS ARG_DIRS)
    list(APPEND patterns ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${patterns})
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(NOT sources)
    # A layer whose files have not been written yet still gives a target.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${MORVEL_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  if(ARG_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets)
  endif()
endfunction()

# morvel_tests(LABEL [DEPS lib ...] [QT] [LOCK name])
# One GoogleTest executable (tests_LABEL) from the *.cpp files of the current
# folder; every test is registered with CTest under the label.
function(morvel_tests label)
  cmake_parse_arguments(ARG "QT" "LOCK" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(target tests_${label})
  add_executable(${target} ${sources})
  target_compile_options(${target} PRIVATE ${MORVEL_WARNINGS})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main
                                          Threads::Threads)
  if(ARG_QT)
    # Every Qt test program shares one QApplication (tests/QtTestApp.h).
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/QtTestApp.cpp)
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
    target_link_libraries(${target} PRIVATE Qt6::Test)
  endif()
  # Tests that share a LOCK never run at the same time.
  set(lock)
  if(ARG_LOCK)
    set(lock RESOURCE_LOCK ${ARG_LOCK})
  endif()
  gtest_discover_tests(${target}
    PROPERTIES LABELS ${label} ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${lock}
    DISCOVERY_TIMEOUT 60)
endfunction()

# morvel_bench(NAME SOURCE... [DEPS lib ...])
function(morvel_bench name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_compile_options(${name} PRIVATE ${MORVEL_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()
