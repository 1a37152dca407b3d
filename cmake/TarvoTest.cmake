# tarvo_add_test(NAME name SOURCES files... [LIBS targets...] [GUI])
# One GoogleTest binary; every test case becomes a CTest test with its own machine root (tests/support).
# GUI tests run headless on Qt's offscreen platform and carry the "gui" label.
include(GoogleTest)
find_package(GTest REQUIRED)

set(TARVO_LIBRARY_PATH ${CMAKE_BINARY_DIR}/bin)

function(tarvo_add_test)
    cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE tarvo_test_support GTest::gmock ${T_LIBS})
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    set(env "TARVO_LIBRARY_PATH=${TARVO_LIBRARY_PATH}"
            "TARVO_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data"
            "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
            "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
            ${T_ENV})
    set(labels "")
    if(T_GUI)
        list(APPEND env "QT_QPA_PLATFORM=offscreen")
        set(labels gui)
    endif()
    gtest_discover_tests(${T_NAME}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "${env}" LABELS "${labels}" TIMEOUT 300)
endfunction()
