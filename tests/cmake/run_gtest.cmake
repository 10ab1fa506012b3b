# Runs one GoogleTest program through an emulator and judges it by both its
# exit code and its summary: a program that crashes after printing its
# summary, one that ran no test at all, and one that never started (a loader
# that cannot run it may still exit 0) all fail.
#   cmake -DEMULATOR=wine -DPROGRAM=prog.exe [-DARGS=a;b] -P run_gtest.cmake
# The reason on one line, as a test's expected output can match it.
function(fail reason)
    message(NOTICE "run_gtest.cmake: ${reason}")
    message(FATAL_ERROR "run_gtest.cmake: failed")
endfunction()

if(NOT PROGRAM)
    fail("no PROGRAM")
endif()
# Under Wine a crash would start its debugger, which waits: the crash ends
# the program at once instead, with the exception as its exit code.
if(EMULATOR MATCHES "wine")
    set(ENV{WINEDLLOVERRIDES} "$ENV{WINEDLLOVERRIDES};winedbg.exe=d")
endif()
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGS}
    RESULT_VARIABLE code
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output
    ECHO_OUTPUT_VARIABLE ECHO_ERROR_VARIABLE)
if(NOT code STREQUAL "0")
    fail("${PROGRAM} ended with ${code}")
endif()
if(output MATCHES "\\[  FAILED  \\]")
    fail("${PROGRAM} reports failed tests")
endif()
if(NOT output MATCHES "\\[  PASSED  \\] ([0-9]+) tests?\\.")
    fail("${PROGRAM} printed no summary: it did not run")
endif()
if(CMAKE_MATCH_1 EQUAL 0)
    fail("${PROGRAM} ran no test")
endif()
