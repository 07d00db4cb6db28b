# Build helpers. The library is assembled from components: one OBJECT library per source folder,
# each naming the components and external libraries it needs. Test programs link only the
# components they exercise (with their dependencies), the installed libraries link all of them.

define_property(GLOBAL PROPERTY QEL_COMPONENTS BRIEF_DOCS "components" FULL_DOCS "all components")

# qel_component(<name> [DIR <folder>] [DEPS <component>...] [LIBS <library>...])
# Builds qel_<name> from the .cpp files directly in DIR (default: the calling folder).
function(qel_component name)
  cmake_parse_arguments(A "" "DIR" "DEPS;LIBS" ${ARGN})
  if(NOT A_DIR)
    set(A_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${A_DIR}/*.cpp)
  if(srcs)
    add_library(qel_${name} OBJECT ${srcs})
    set(scope PUBLIC)
  else()
    add_library(qel_${name} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(qel_${name} ${scope} ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/include)
  foreach(dep IN LISTS A_DEPS)
    target_link_libraries(qel_${name} ${scope} qel_${dep})
  endforeach()
  target_link_libraries(qel_${name} ${scope} ${A_LIBS})
  set_property(GLOBAL APPEND PROPERTY QEL_COMPONENTS ${name})
  set_property(GLOBAL PROPERTY QEL_DEPS_${name} ${A_DEPS})
  set_property(GLOBAL PROPERTY QEL_LIBS_${name} ${A_LIBS})
  set_property(GLOBAL PROPERTY QEL_HAS_OBJECTS_${name} ${srcs})
endfunction()

# qel_component_closure(<out> <component>...): the components named and all they depend on.
function(qel_component_closure out)
  set(result)
  set(todo ${ARGN})
  while(todo)
    list(POP_FRONT todo c)
    if(NOT c IN_LIST result)
      list(APPEND result ${c})
      get_property(deps GLOBAL PROPERTY QEL_DEPS_${c})
      list(APPEND todo ${deps})
    endif()
  endwhile()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# qel_link_components(<target> [OBJECTS_ONLY] <component>...): links the objects of the
# components and their dependencies into <target>, with their external libraries. OBJECTS_ONLY
# leaves out the components' usage requirements (for the installed, exported libraries).
function(qel_link_components target)
  cmake_parse_arguments(A "OBJECTS_ONLY" "" "" ${ARGN})
  qel_component_closure(all ${A_UNPARSED_ARGUMENTS})
  foreach(c IN LISTS all)
    get_property(objs GLOBAL PROPERTY QEL_HAS_OBJECTS_${c})
    if(objs)
      target_sources(${target} PRIVATE $<TARGET_OBJECTS:qel_${c}>)
    endif()
    if(NOT A_OBJECTS_ONLY)
      target_link_libraries(${target} PRIVATE qel_${c})
    endif()
    get_property(libs GLOBAL PROPERTY QEL_LIBS_${c})
    target_link_libraries(${target} PRIVATE ${libs})
  endforeach()
endfunction()

# qel_test_program(<name> COMPONENTS <component>... [LABELS <label>...] [LIBS <library>...]
#                  [RESOURCE_LOCK <resource>])
# One GoogleTest program from the .cpp files of the calling folder, run by CTest test by test.
# Label "threads" marks programs that start threads: the ThreadSanitizer build is configured with
# QEL_TEST_ONLY_LABEL=threads and builds only those. Tests are named "<program>.<Suite>.<Test>".
function(qel_test_program name)
  cmake_parse_arguments(A "" "RESOURCE_LOCK" "COMPONENTS;LABELS;LIBS" ${ARGN})
  if(QEL_TEST_ONLY_LABEL AND NOT QEL_TEST_ONLY_LABEL IN_LIST A_LABELS)
    return()
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name}_tests ${srcs})
  qel_link_components(${name}_tests ${A_COMPONENTS})
  target_link_libraries(${name}_tests PRIVATE qel_test_support GTest::gtest GTest::gmock GTest::gtest_main ${A_LIBS})
  # A resource lock keeps tests that need one machine-wide thing (the trace viewer's fixed UDP
  # port) from running at the same time as each other.
  set(lock)
  if(A_RESOURCE_LOCK)
    set(lock RESOURCE_LOCK ${A_RESOURCE_LOCK})
  endif()
  gtest_discover_tests(${name}_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "${name}."
    PROPERTIES LABELS ${name} TIMEOUT 120 ${lock})
endfunction()
