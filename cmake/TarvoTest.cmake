# tarvo_add_test(NAME name SOURCES files... [LIBS targets...] [ENV vars...] [PREFIX prefix] [GUI] [QT_BACKEND])
# One GoogleTest binary; every test case becomes a CTest test with its own machine root (tests/support), named
# "Suite.Case", or "prefixSuite.Case" when the same sources are built into a second binary.
# GUI tests run headless on Qt's offscreen platform, on the Qt backend of the message core, and carry the "gui"
# label. QT_BACKEND runs the binary's tests a second time on the Qt backend (offscreen), as "qt/Suite.Case",
# labelled "qtbackend". A ThreadSanitizer build (TARVO_TSAN) runs neither: Qt's own threads are not
# instrumented. The programs whose tests run are collected in the global property TARVO_TEST_PROGRAMS.
include(GoogleTest)
if(TARVO_TESTS)
    find_package(GTest REQUIRED)
endif()

set(TARVO_LIBRARY_PATH ${CMAKE_BINARY_DIR}/bin)

# What every program the tests run (test programs, benchmark smoke runs) needs in its environment: where the
# archiver library is, and the sanitizers' settings.
set(TARVO_RUN_ENVIRONMENT
    "TARVO_LIBRARY_PATH=${TARVO_LIBRARY_PATH}"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
    # GCC 12's ASan keeps a faulty record of the thread-local blocks of libraries loaded at run time
    # (libunlha32), and the leak check at exit can then crash scanning it; without that record the blocks are
    # still reached through glibc's own tables.
    "ASAN_OPTIONS=intercept_tls_get_addr=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")

# Gives every test that discovery lists in list_var its environment, labels and time limit. gtest_discover_tests
# cannot carry a list-valued property (its separators are lost on the way), so a script of our own, run after the
# discovered tests are defined, sets them.
function(tarvo_set_test_properties list_var env labels)
    set(script "${CMAKE_CURRENT_BINARY_DIR}/${list_var}_properties.cmake")
    set(label_part "")
    if(labels)
        set(label_part "LABELS ${labels}")
    endif()
    file(WRITE "${script}"
        "if(${list_var})\n"
        "  set_tests_properties(\${${list_var}} PROPERTIES ENVIRONMENT [==[${env}]==] ${label_part} TIMEOUT 300\n"
        "                      FIXTURES_REQUIRED session_accounts)\n"
        "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
endfunction()

function(tarvo_add_test)
    cmake_parse_arguments(T "GUI;QT_BACKEND" "NAME;PREFIX" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE tarvo_test_support GTest::gmock ${T_LIBS})
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    set(env "TARVO_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data" ${TARVO_RUN_ENVIRONMENT} ${T_ENV})
    set(qt_env "QT_QPA_PLATFORM=offscreen" "TARVO_TEST_BACKEND=qt")
    if(TARVO_TSAN)
        set(T_QT_BACKEND OFF)
        if(T_GUI)
            return()  # the program stays defined for the dependencies others declare on it
        endif()
    endif()
    set_property(GLOBAL APPEND PROPERTY TARVO_TEST_PROGRAMS ${T_NAME})
    if(T_GUI OR T_QT_BACKEND)
        add_dependencies(${T_NAME} tarvo_test_qt)
    endif()
    set(labels "")
    if(T_GUI)
        list(APPEND env ${qt_env})
        set(labels gui)
    endif()
    gtest_discover_tests(${T_NAME}
        TEST_PREFIX "${T_PREFIX}"
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        TEST_LIST ${T_NAME}_TESTS)
    tarvo_set_test_properties(${T_NAME}_TESTS "${env}" "${labels}")
    if(T_QT_BACKEND AND NOT T_GUI)
        gtest_discover_tests(${T_NAME}
            TEST_PREFIX "qt/${T_PREFIX}"
            DISCOVERY_MODE PRE_TEST
            DISCOVERY_TIMEOUT 60
            TEST_LIST ${T_NAME}_QT_TESTS)
        tarvo_set_test_properties(${T_NAME}_QT_TESTS "${env};${qt_env}" qtbackend)
    endif()
endfunction()

# tarvo_add_fuzzer(NAME name TARGET function SOURCES files... [LIBS targets...] CORPUS folder
#                  [SMOKE_RUNS count] [MAX_LEN bytes] [ENV vars...])
# With TARVO_FUZZ (clang): a libFuzzer program that hands every input to the fuzz target function, and its
# smoke test, a short run from the corpus (20000 inputs of at most 4096 bytes unless given). The corpus is only
# read; new inputs go to a folder of the build. Ordinary builds run the same function from a GoogleTest smoke
# test (tests/support/FuzzSmoke.h).
function(tarvo_add_fuzzer)
    if(NOT TARVO_FUZZ)
        return()
    endif()
    cmake_parse_arguments(F "" "NAME;TARGET;CORPUS;SMOKE_RUNS;MAX_LEN" "SOURCES;LIBS;ENV" ${ARGN})
    if(NOT F_SMOKE_RUNS)
        set(F_SMOKE_RUNS 20000)
    endif()
    if(NOT F_MAX_LEN)
        set(F_MAX_LEN 4096)
    endif()
    add_executable(${F_NAME} ${PROJECT_SOURCE_DIR}/tests/support/LibFuzzerEntry.cpp ${F_SOURCES})
    target_include_directories(${F_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
    target_compile_definitions(${F_NAME} PRIVATE TARVO_FUZZ_TARGET=${F_TARGET})
    target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
    target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
    set(new_inputs ${CMAKE_CURRENT_BINARY_DIR}/${F_NAME}-corpus)
    file(MAKE_DIRECTORY ${new_inputs})
    add_test(NAME ${F_NAME}_smoke
        COMMAND ${F_NAME} -runs=${F_SMOKE_RUNS} -seed=1 -max_len=${F_MAX_LEN} ${new_inputs} ${F_CORPUS})
    if(F_ENV)
        set_tests_properties(${F_NAME}_smoke PROPERTIES ENVIRONMENT "${F_ENV}")
    endif()
endfunction()
