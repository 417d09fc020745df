# Copies SONG into FOLDER, converts it there with kadenzo-convert (through the emulator when there
# is one) and fails unless the result is written beside it under its [trans] name:
# cmake -DPROGRAM=... -DSONG=... -DFOLDER=... -P expect_converted_beside.cmake
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}")
file(COPY "${SONG}" DESTINATION "${FOLDER}")
get_filename_component(name "${SONG}" NAME_WE)
execute_process(COMMAND ${EMULATOR} ${PROGRAM} --shift 1 "${FOLDER}/${name}.mid" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "kadenzo-convert exited with ${status} for a song in ${FOLDER}")
endif()
if(NOT EXISTS "${FOLDER}/${name}[trans].mid")
  message(FATAL_ERROR "no ${name}[trans].mid beside the song in ${FOLDER}")
endif()
