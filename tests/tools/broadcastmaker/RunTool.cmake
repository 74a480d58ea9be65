# Makes a station with the broadcast maker (no speech), plays its captions
# through the script maker and compares the script with the expected one.
# Called with -DMAKER= -DSCRIPTMAKER= -DTRANSCRIPT= -DEXPECTED= -DWORK=.
file(REMOVE_RECURSE ${WORK})

execute_process(COMMAND ${MAKER} --silent TRANSCRIPT_ONLY RESULT_VARIABLE usage ERROR_VARIABLE usage_err)
if(usage EQUAL 0 OR NOT usage_err MATCHES "usage: broadcastmaker")
  message(FATAL_ERROR "a call without --title must fail with the usage (${usage}): ${usage_err}")
endif()

execute_process(
    COMMAND ${MAKER} --silent --pattern=eoc --title=Tiny ${TRANSCRIPT} ${WORK}/station
    RESULT_VARIABLE made ERROR_VARIABLE made_err)
if(NOT made EQUAL 0 OR NOT made_err STREQUAL "")
  message(FATAL_ERROR "broadcastmaker failed (${made}): ${made_err}")
endif()
foreach(f captions.scc sound.flac title.txt)
  if(NOT EXISTS ${WORK}/station/${f})
    message(FATAL_ERROR "the station has no ${f}")
  endif()
endforeach()
file(READ ${WORK}/station/title.txt title)
if(NOT title STREQUAL "Tiny\n")
  message(FATAL_ERROR "title.txt holds '${title}'")
endif()

execute_process(
    COMMAND ${SCRIPTMAKER} ${WORK}/station/captions.scc ${WORK}/script.txt
    RESULT_VARIABLE played ERROR_VARIABLE played_err)
if(NOT played EQUAL 0 OR NOT played_err STREQUAL "")
  message(FATAL_ERROR "scriptmaker failed (${played}): ${played_err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${WORK}/script.txt
                RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  file(READ ${WORK}/script.txt actual)
  message(FATAL_ERROR "the script differs from ${EXPECTED}:\n${actual}")
endif()
