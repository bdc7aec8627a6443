# talv_module(NAME DEPS dep...): a static library from every .cpp file in the current folder.
function(talv_module name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  talv_warnings(${name})
endfunction()

function(talv_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(TALV_SANITIZE)
    # No vptr check: our instrumented copy of std::shared_ptr's release is also what JavaScriptCore
    # calls when it tears a VM down, and its objects fail the check (a false report that stopped the
    # window now and then).
    target_compile_options(${target} PUBLIC -fsanitize=address,undefined -fno-sanitize=vptr -fno-omit-frame-pointer
                                            -fno-sanitize-recover=undefined)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
endfunction()

# talv_test_suite(NAME DEPS dep...): one GoogleTest binary from every .cpp file in the current folder.
function(talv_test_suite name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE test_support ${ARG_DEPS})
  talv_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
endfunction()
