# varnolet_add_test(<name> [SOURCES <files>...] [LIBRARIES <targets>...])
# Declares one Qt Test executable and its CTest entry. Sources default to <name>.cpp; every test
# runs offscreen, in UTC, with its store under HOME (XDG_DATA_HOME and VARNOLET_STORE unset, so
# that a test's temporary HOME holds all it writes), and finds its data through VARNOLET_TEST_DATA
# (the test's own "data" folder) and VARNOLET_SAMPLES (real-shaped tool output shared by all tests).
function(varnolet_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBRARIES;ENVIRONMENT" ${ARGN})
    if(NOT ARG_SOURCES)
        set(ARG_SOURCES ${name}.cpp)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBRARIES})
    target_compile_definitions(${name} PRIVATE
        VARNOLET_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
        VARNOLET_SAMPLES="${PROJECT_SOURCE_DIR}/tests/data/samples")
    add_test(NAME ${name} COMMAND ${name})
    # Qt itself is not built with ThreadSanitizer; its own locking is described to it instead.
    if(VARNOLET_SANITIZE_THREAD)
        list(APPEND ARG_ENVIRONMENT
            "TSAN_OPTIONS=halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 ignore_noninstrumented_modules=1 suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp")
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TZ=UTC;${ARG_ENVIRONMENT}"
        ENVIRONMENT_MODIFICATION "XDG_DATA_HOME=unset:;VARNOLET_STORE=unset:")
endfunction()
