# Runs kadenzo-convert (through the emulator when there is one) and fails unless its exit
# status is EXPECTED: cmake -DPROGRAM=... -DEXPECTED=n "-DARGUMENTS=a;b" -P expect_exit.cmake
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGUMENTS} RESULT_VARIABLE status)
if(NOT status EQUAL EXPECTED)
  message(FATAL_ERROR "kadenzo-convert exited with ${status}, expected ${EXPECTED}")
endif()
