# Runs our Windows expand.exe under Wine on one member of a shared cabinet
# and compares its MD5. Exit 77 (skipped) when the shared input is absent.
if(NOT EXISTS "${CABINET}")
  message("skipped: no shared test input at ${CABINET}")
  cmake_language(EXIT 77)
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${RUNNER}" "${EXPAND}" "Z:${CABINET}" "-F:${MEMBER}" "Z:${WORK}"
  RESULT_VARIABLE status ERROR_VARIABLE errors TIMEOUT 240)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "expand.exe failed (${status}): ${errors}")
endif()
string(REPLACE "\\" "/" member_path "${MEMBER}")
file(MD5 "${WORK}/${member_path}" actual)
if(NOT actual STREQUAL EXPECTED_MD5)
  message(FATAL_ERROR "md5 ${actual}, expected ${EXPECTED_MD5}")
endif()
