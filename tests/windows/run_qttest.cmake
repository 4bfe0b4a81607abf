# Runs one Qt Test program (through EMULATOR, when given) on PLATFORM, with
# its results written to a file, then prints them; fails when a case failed.
get_filename_component(name "${PROGRAM}" NAME_WE)
# A name relative to the working folder: wine resolves it the same way.
set(results "${name}-results.txt")
file(REMOVE "${results}")
execute_process(COMMAND ${EMULATOR} "${PROGRAM}" -platform ${PLATFORM} -o "${results},txt"
                RESULT_VARIABLE status)
if(EXISTS "${results}")
  file(READ "${results}" text)
  message("${text}")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${name} ended with ${status}")
endif()
