# Every fuzz target built with a plain main that runs each file of its seed corpus and of
# its kept finds once: the test fuzz.replay.<name> in the default and sanitizer builds, so
# an input that once crashed a parser keeps being checked without clang or libFuzzer.
include(${CMAKE_CURRENT_LIST_DIR}/Targets.cmake)
foreach(_name IN LISTS X5K_FUZZ_TARGETS)
    add_executable(fuzz_replay_${_name} ${CMAKE_CURRENT_LIST_DIR}/${_name}_fuzz.cpp
                                        ${CMAKE_CURRENT_LIST_DIR}/ReplayMain.cpp)
    set_target_properties(fuzz_replay_${_name} PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_include_directories(fuzz_replay_${_name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(fuzz_replay_${_name} PRIVATE ${X5K_FUZZ_LIBRARY_${_name}} x5k_warnings)
    add_test(NAME fuzz.replay.${_name}
             COMMAND fuzz_replay_${_name} ${CMAKE_CURRENT_LIST_DIR}/corpus/${_name}
                     ${CMAKE_CURRENT_LIST_DIR}/regressions/${_name})
    set_tests_properties(fuzz.replay.${_name} PROPERTIES TIMEOUT 60)
endforeach()
