# Warning flags for every Corvana target; CI turns CORVANA_WERROR on.
function(corvana_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive- $<$<BOOL:${CORVANA_WERROR}>:/WX>)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                           $<$<BOOL:${CORVANA_WERROR}>:-Werror>)
  endif()
endfunction()

# One static library per layer, linked downwards only.
function(corvana_layer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  corvana_warnings(${name})
endfunction()

# One GoogleTest executable per layer, registered with CTest.
function(corvana_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} corvana_test_support GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE CORVANA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  corvana_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()
