# Makes a station from a transcript with the command written on its first
# line ("# broadcastmaker ARGS TRANSCRIPT STATION") and compares its captions
# with the expected SCC file byte for byte.
# Called with -DMAKER= -DTRANSCRIPT= -DEXPECTED= -DWORK=.
file(STRINGS ${TRANSCRIPT} first LIMIT_COUNT 1)
if(NOT first MATCHES "^# broadcastmaker (.*) [^ ]+ STATION$")
  message(FATAL_ERROR "${TRANSCRIPT} does not start with the command that made it")
endif()
separate_arguments(args UNIX_COMMAND "${CMAKE_MATCH_1}")
file(REMOVE_RECURSE ${WORK})
execute_process(
    COMMAND ${MAKER} ${args} ${TRANSCRIPT} ${WORK}
    RESULT_VARIABLE made ERROR_VARIABLE made_err)
if(NOT made EQUAL 0 OR NOT made_err STREQUAL "")
  message(FATAL_ERROR "broadcastmaker failed (${made}): ${made_err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${WORK}/captions.scc
                RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  file(READ ${WORK}/captions.scc actual)
  message(FATAL_ERROR "the captions differ from ${EXPECTED}:\n${actual}")
endif()
