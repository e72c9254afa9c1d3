# Runs one console script on the lab it names in its first line
# ("# lab: labs/xyz.ini", relative to the source tree) with an empty work
# directory as the program's home. Fails when the driver exits non-zero.
# Optional header lines for labs whose drives keep their sectors in an image:
#   "# image: NAME TEXT"   the lab runs from a copy in the work directory, and
#                          NAME there starts as 4 KiB of TEXT repeated;
#   "# image-zero: NAME"   after the run NAME must hold nothing but zeros.
#   "# image-erased: NAME FIRST LAST ..."  after the run the sectors of each
#                          FIRST..LAST pair hold zeros and every other byte of
#                          NAME is as it started.
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

file(STRINGS ${SCRIPT} image_lines REGEX "^#[ \t]*image:")
foreach(line IN LISTS image_lines)
  if(NOT line MATCHES "^#[ \t]*image:[ \t]*([^ \t]+)[ \t]+(.+)$")
    message(FATAL_ERROR "${SCRIPT}: \"# image: NAME TEXT\" expected: ${line}")
  endif()
  set(image_text "")
  string(LENGTH "${CMAKE_MATCH_2}" piece)
  math(EXPR copies "4096 / ${piece} + 1")
  string(REPEAT "${CMAKE_MATCH_2}" ${copies} image_text)
  string(SUBSTRING "${image_text}" 0 4096 image_text)
  file(WRITE ${WORK_DIR}/${CMAKE_MATCH_1} "${image_text}")
  set(image_start_${CMAKE_MATCH_1} "${image_text}")
  # Image= names resolve beside the lab file: run a copy of it from here.
  get_filename_component(lab_name ${lab} NAME)
  file(COPY ${lab} DESTINATION ${WORK_DIR})
  set(lab ${WORK_DIR}/${lab_name})
endforeach()

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

file(STRINGS ${SCRIPT} zero_lines REGEX "^#[ \t]*image-zero:")
foreach(line IN LISTS zero_lines)
  string(REGEX REPLACE "^#[ \t]*image-zero:[ \t]*" "" name "${line}")
  file(READ ${WORK_DIR}/${name} content HEX)
  if(content MATCHES "[1-9a-f]")
    message(FATAL_ERROR "${SCRIPT}: ${name} still holds data after the run")
  endif()
endforeach()

file(STRINGS ${SCRIPT} erased_lines REGEX "^#[ \t]*image-erased:")
foreach(line IN LISTS erased_lines)
  string(REGEX REPLACE "^#[ \t]*image-erased:[ \t]*" "" spec "${line}")
  separate_arguments(spec)
  list(POP_FRONT spec name)
  file(READ ${WORK_DIR}/${name} now HEX)
  string(HEX "${image_start_${name}}" expected)
  # Two hexadecimal digits per byte, 1024 per sector.
  set(zero_sector "")
  string(REPEAT "0" 1024 zero_sector)
  while(spec)
    list(POP_FRONT spec first last)
    foreach(sector RANGE ${first} ${last})
      math(EXPR at "${sector} * 1024")
      string(SUBSTRING "${expected}" 0 ${at} head)
      math(EXPR tail_at "${at} + 1024")
      string(SUBSTRING "${expected}" ${tail_at} -1 tail)
      set(expected "${head}${zero_sector}${tail}")
    endforeach()
  endwhile()
  string(MD5 want "${expected}")
  string(MD5 got "${now}")
  if(NOT want STREQUAL got)
    message(FATAL_ERROR "${SCRIPT}: ${name} differs from its start outside the erased sectors (MD5 ${got}, expected ${want})")
  endif()
endforeach()
