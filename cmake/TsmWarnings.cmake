# Compile options shared by every target of the project.
add_compile_options(-Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
if(TSM_WERROR)
  add_compile_options(-Werror)
endif()
if(TSM_SANITIZE)
  add_compile_options(-fsanitize=${TSM_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=${TSM_SANITIZE})
endif()

# Adds every immediate subdirectory of the current source directory that has
# its own CMakeLists.txt (tests/, bench/ and fuzz/ hold one folder per layer).
function(tsm_add_subdirectories)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  list(SORT children)
  foreach(child IN LISTS children)
    get_filename_component(dir ${child} DIRECTORY)
    add_subdirectory(${dir})
  endforeach()
endfunction()

# tsm_add_test(name [ONE_AT_A_TIME] SOURCES ... LIBS ...): one GoogleTest binary per layer,
# with the shared test helpers of tests/support.
function(tsm_add_test name)
  cmake_parse_arguments(T "ONE_AT_A_TIME" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} tsmtestsupport GTest::gtest GTest::gtest_main Threads::Threads)
  # ONE_AT_A_TIME: the tests read what they added to the executable's debug
  # log, which every process of the executable appends to.
  if(T_ONE_AT_A_TIME)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 RESOURCE_LOCK ${name}.log)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
endfunction()

# tsm_add_fuzzer(name SOURCES ... LIBS ...): a libFuzzer target under clang with
# TSM_FUZZ, otherwise a test that replays the checked-in corpus folder corpus/<name>.
function(tsm_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  if(TSM_FUZZ)
    add_executable(${name} ${F_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    add_dependencies(fuzzers ${name})
  else()
    add_executable(${name} ${F_SOURCES} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
    add_test(NAME ${name}.corpus COMMAND ${name} ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
    set_tests_properties(${name}.corpus PROPERTIES TIMEOUT 300)
  endif()
  target_link_libraries(${name} PRIVATE ${F_LIBS})
endfunction()
