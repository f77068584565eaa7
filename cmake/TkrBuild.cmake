# Build helpers shared by every part of the tree.

# Puts a deliverable into dist/<preset>[-<variant>]/ of the build tree.
#   tkr_deliver(target [VARIANT sim])
function(tkr_deliver target)
  cmake_parse_arguments(ARG "" "VARIANT" "" ${ARGN})
  set(dir ${CMAKE_BINARY_DIR}/dist/${TKR_DIST_NAME})
  if(ARG_VARIANT)
    set(dir ${dir}-${ARG_VARIANT})
  endif()
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${dir}
    LIBRARY_OUTPUT_DIRECTORY ${dir}
    ARCHIVE_OUTPUT_DIRECTORY ${dir})
  tkr_strip_debug_info(${target})
endfunction()

# A release deliverable carries no symbols and no debug information: the static runtime alone
# brings 0.4 MB of it into every Windows file. Both are kept in debug/<dist folder>/<file>.debug of
# the build tree, which the file names (GNU debuglink), so a debugger pointed there finds them.
# Debug builds, the sanitizer presets among them, keep theirs in place for their reports.
function(tkr_strip_debug_info target)
  if(CMAKE_BUILD_TYPE STREQUAL "Debug")
    return()
  endif()
  get_target_property(outputDir ${target} RUNTIME_OUTPUT_DIRECTORY)
  get_filename_component(distName ${outputDir} NAME)
  set(debugFile ${CMAKE_BINARY_DIR}/debug/${distName}/$<TARGET_FILE_NAME:${target}>.debug)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/debug/${distName}
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${debugFile}
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${debugFile} $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()

# A benchmark program: it measures the build as delivered, so the sanitizer builds make it only when
# asked for by name.
#   tkr_add_benchmark(name source ...)
function(tkr_add_benchmark name)
  if(TKR_SANITIZE)
    add_executable(${name} EXCLUDE_FROM_ALL ${ARGN})
  else()
    add_executable(${name} ${ARGN})
  endif()
endfunction()

# What Wine prints when a program dies of an unhandled exception. A test whose output holds it has
# failed whatever its exit status: a crash after the results are printed can still exit with 0.
set(TKR_WINE_CRASH_PATTERN "wine: Unhandled|Unhandled exception: ")

# Test programs are compiled to build quickly, not to run fast: at -O1 a test source compiles in
# two thirds of the time that -O3 takes. What they test is compiled as it is delivered.
set(TKR_TEST_OPTIMIZATION $<$<CONFIG:Release>:-O1>)

# The headers that nearly every test source parses, GoogleTest's above all (over a second in each
# source), precompiled once per build tree for every test program. Building the header takes as
# long as parsing it six times, more than most programs have sources. Its host program is never
# run: it exists so that the header is made with the compiler options of a test program (GCC
# refuses a header made for a library's position-independent code, silently, and parses instead).
function(tkr_test_precompiled_headers)
  if(TARGET tkr_test_headers)
    return()
  endif()
  add_executable(tkr_test_headers EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/tests/support/precompiled_headers_host.cpp)
  target_link_libraries(tkr_test_headers PRIVATE GTest::gtest)
  target_compile_options(tkr_test_headers PRIVATE ${TKR_TEST_OPTIMIZATION})
  target_precompile_headers(tkr_test_headers PRIVATE
    <gtest/gtest.h> <algorithm> <atomic> <chrono> <cstdint> <cstring> <filesystem> <fstream>
    <functional> <map> <memory> <optional> <random> <sstream> <string> <thread> <vector>)
endfunction()

# A GoogleTest program. Natively every test case becomes a CTest test; under Wine the program runs
# as one CTest test (each Wine start costs a second or two).
#   tkr_add_gtest(name SOURCES a.cpp ... LIBS lib ... [LABELS l ...] [RESOURCE_LOCK name] [TIMEOUT s]
#                 [NO_MAIN] [ENVIRONMENT VAR=value ...])
function(tkr_add_gtest name)
  cmake_parse_arguments(ARG "NO_MAIN" "RESOURCE_LOCK;TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest)
  target_compile_options(${name} PRIVATE ${TKR_TEST_OPTIMIZATION})
  # Four test sources at a time in one compilation: what they share (GoogleTest's templates, the
  # standard library's) is compiled once instead of four times, a quarter off a tree's build. Names
  # in the anonymous namespaces of one program's sources must therefore differ.
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 4)
  tkr_test_precompiled_headers()
  target_precompile_headers(${name} REUSE_FROM tkr_test_headers)
  if(NOT ARG_NO_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set(labels ${ARG_LABELS})
  if(CMAKE_CROSSCOMPILING)
    list(APPEND labels wine)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT ${ARG_TIMEOUT}
      FAIL_REGULAR_EXPRESSION "${TKR_WINE_CRASH_PATTERN}")
    if(ARG_RESOURCE_LOCK)
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK ${ARG_RESOURCE_LOCK})
    endif()
    if(ARG_ENVIRONMENT)
      set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ARG_ENVIRONMENT}")
    endif()
  else()
    # An empty LABELS value vanishes from the flattened list and shifts every later pair: give it
    # only when there are labels.
    set(props TIMEOUT ${ARG_TIMEOUT})
    if(labels)
      list(APPEND props LABELS "${labels}")
    endif()
    if(ARG_RESOURCE_LOCK)
      list(APPEND props RESOURCE_LOCK ${ARG_RESOURCE_LOCK})
    endif()
    if(ARG_ENVIRONMENT)
      list(APPEND props ENVIRONMENT "${ARG_ENVIRONMENT}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ${props})
  endif()
endfunction()
