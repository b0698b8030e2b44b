# Runs one scenario file as a test: norvik --emulate --data-dir <fresh folder> --script SCRIPT,
# offscreen, with settings, data and temporary folders of its own (so scenarios may run side
# by side and never touch the user's). Variables: PROGRAM, SCRIPT, WORK (the test's folder,
# emptied first), SCREENSHOTS (relative screenshot files go there).
foreach(variable PROGRAM SCRIPT WORK SCREENSHOTS)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "run_scenario.cmake needs -D${variable}=...")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/config" "${WORK}/data" "${WORK}/tmp" "${SCREENSHOTS}")
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{XDG_CONFIG_HOME} "${WORK}/config")
set(ENV{XDG_DATA_HOME} "${WORK}/data")
set(ENV{TMPDIR} "${WORK}/tmp")
set(ENV{NORVIK_SCREENSHOT_DIR} "${SCREENSHOTS}")
execute_process(
  COMMAND "${PROGRAM}" --emulate --data-dir "${WORK}/data/Norvik_QT-4100" --script "${SCRIPT}"
  RESULT_VARIABLE code
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  TIMEOUT 120)
if(out)
  message("${out}")
endif()
if(NOT code STREQUAL "0")
  message(FATAL_ERROR "norvik --script ${SCRIPT} ended with ${code}:\n${err}")
endif()
