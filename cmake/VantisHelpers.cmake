# Helpers shared by every subsystem's CMakeLists.txt.
#
#   vantis_add_test(NAME name SOURCES ... LIBS ... [LABELS ...] [NOSAN])
#       A GoogleTest executable registered with ctest. Unless NOSAN is given it
#       carries the label "sanitize" and is part of the target
#       vantis_sanitize_tests, which the AddressSanitizer build compiles and runs.
#       The project's test main (common/src/test_main.cpp) sets VANTIS_DELAY_SCALE
#       (no test waits for real-time delays), QT_QPA_PLATFORM=offscreen, the
#       loopback-only guard and VANTIS_LOG=0 unless the environment already has them.
#
#   vantis_add_fuzzer(NAME name SOURCES ... LIBS ... [CORPUS dir])
#       With VANTIS_FUZZ a libFuzzer binary (target vantis_fuzzers); otherwise a
#       plain executable that replays the corpus, registered as a ctest test.
#
#   vantis_add_benchmark(NAME name SOURCES ... LIBS ...)
#       A Google Benchmark executable (target vantis_benchmarks; the bench
#       subsystem). Benchmarks are never run by ctest.

set_property(GLOBAL PROPERTY VANTIS_SANITIZE_TESTS "")
set_property(GLOBAL PROPERTY VANTIS_FUZZERS "")
set_property(GLOBAL PROPERTY VANTIS_BENCHMARKS "")

function(vantis_add_test)
    cmake_parse_arguments(T "NOSAN" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} vantis_test_main GTest::gtest GTest::gmock Threads::Threads)
    set(labels ${T_LABELS})
    if(NOT T_NOSAN)
        list(APPEND labels sanitize)
        set_property(GLOBAL APPEND PROPERTY VANTIS_SANITIZE_TESTS ${T_NAME})
    endif()
    gtest_discover_tests(${T_NAME}
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS "${labels}" TIMEOUT 300
                   ENVIRONMENT "VANTIS_DELAY_SCALE=0.001")
endfunction()

function(vantis_add_fuzzer)
    cmake_parse_arguments(F "" "NAME;CORPUS" "SOURCES;LIBS" ${ARGN})
    if(VANTIS_FUZZ)
        add_executable(${F_NAME} ${F_SOURCES})
        target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
        target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
        set_property(GLOBAL APPEND PROPERTY VANTIS_FUZZERS ${F_NAME})
    else()
        add_executable(${F_NAME} ${F_SOURCES} ${PROJECT_SOURCE_DIR}/common/src/fuzz_replay_main.cpp)
        target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
        if(F_CORPUS)
            add_test(NAME ${F_NAME}.corpus COMMAND ${F_NAME} ${F_CORPUS})
            set_tests_properties(${F_NAME}.corpus PROPERTIES LABELS "fuzz;sanitize")
            set_property(GLOBAL APPEND PROPERTY VANTIS_SANITIZE_TESTS ${F_NAME})
        endif()
    endif()
    if(F_CORPUS)
        set_property(TARGET ${F_NAME} PROPERTY VANTIS_CORPUS ${F_CORPUS})
    endif()
endfunction()

function(vantis_add_benchmark)
    cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
    add_executable(${B_NAME} ${B_SOURCES})
    target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark Threads::Threads)
    set_property(GLOBAL APPEND PROPERTY VANTIS_BENCHMARKS ${B_NAME})
endfunction()

function(vantis_finish_aggregate_targets)
    get_property(tests GLOBAL PROPERTY VANTIS_SANITIZE_TESTS)
    add_custom_target(vantis_sanitize_tests)
    if(tests)
        add_dependencies(vantis_sanitize_tests ${tests})
    endif()
    get_property(fuzzers GLOBAL PROPERTY VANTIS_FUZZERS)
    add_custom_target(vantis_fuzzers)
    set(list_file ${CMAKE_BINARY_DIR}/fuzzers.txt)
    file(WRITE ${list_file} "")
    foreach(f ${fuzzers})
        get_property(corpus TARGET ${f} PROPERTY VANTIS_CORPUS)
        file(APPEND ${list_file} "${f} ${corpus}\n")
    endforeach()
    if(fuzzers)
        add_dependencies(vantis_fuzzers ${fuzzers})
    endif()
    get_property(benches GLOBAL PROPERTY VANTIS_BENCHMARKS)
    add_custom_target(vantis_benchmarks)
    if(benches)
        add_dependencies(vantis_benchmarks ${benches})
    endif()
endfunction()
