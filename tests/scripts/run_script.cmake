# Runs one console script on the lab it names in its first line
# ("# lab: labs/xyz.ini", relative to the source tree) with an empty work
# directory as the program's home. Fails when the driver exits non-zero.
#   cmake -DCONSOLE=... -DSCRIPT=... -DSOURCE_DIR=... -DWORK_DIR=... -P run_script.cmake

foreach(var CONSOLE SCRIPT SOURCE_DIR WORK_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_script.cmake needs -D${var}=...")
  endif()
endforeach()

file(STRINGS ${SCRIPT} first_line LIMIT_COUNT 1)
if(NOT first_line MATCHES "^#[ \t]*lab:[ \t]*([^ \t]+)")
  message(FATAL_ERROR "${SCRIPT}: the first line must name the lab, as \"# lab: labs/default.ini\"")
endif()
set(lab ${CMAKE_MATCH_1})
if(NOT IS_ABSOLUTE ${lab})
  set(lab ${SOURCE_DIR}/${lab})
endif()
if(NOT EXISTS ${lab})
  message(FATAL_ERROR "${SCRIPT}: the lab ${lab} does not exist")
endif()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

execute_process(
  COMMAND ${CONSOLE} --lab ${lab} --home ${WORK_DIR} ${SCRIPT}
  WORKING_DIRECTORY ${WORK_DIR}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors)
file(WRITE ${WORK_DIR}/output.txt "${output}")
message("${output}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${SCRIPT} failed (exit ${result}):\n${errors}")
endif()
