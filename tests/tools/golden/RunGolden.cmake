# Runs the script maker on one SCC file and compares its script with the
# expected one byte for byte. Called with -DTOOL= -DSCC= -DEXPECTED= -DACTUAL=
# and, for the script maker's options, -DOPTIONS=.
execute_process(
    COMMAND ${TOOL} ${OPTIONS} ${SCC} ${ACTUAL}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "scriptmaker failed (${result}): ${err}")
endif()
if(NOT err STREQUAL "")
  message(FATAL_ERROR "scriptmaker warned: ${err}")
endif()
execute_process(
    COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${ACTUAL}
    RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  file(READ ${ACTUAL} actual_text HEX)
  file(READ ${EXPECTED} expected_text HEX)
  message(FATAL_ERROR "${ACTUAL} differs from ${EXPECTED}\n"
                      "actual:   ${actual_text}\nexpected: ${expected_text}")
endif()
message(STATUS "${out}")
