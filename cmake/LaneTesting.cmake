# lane_add_test(NAME SOURCES ... LIBS ...): a GoogleTest executable run by CTest.
function(lane_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  lane_compile_as_test_code(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 600)
endfunction()

# Test code is optimised lightly and carries line tables only, which halves its build time
# (GoogleTest's macros are most of it); the code under test, in its own libraries, keeps the
# build type's optimisation and debugging information.
function(lane_compile_as_test_code target)
  target_compile_options(${target} PRIVATE $<$<CONFIG:RelWithDebInfo,Release>:-Og -g1>)
endfunction()
