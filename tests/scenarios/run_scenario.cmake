# Runs one scenario file as a test: norvik --emulate --data-dir <fresh folder> --script SCRIPT,
# offscreen, with settings, data and temporary folders of its own (so scenarios may run side
# by side and never touch the user's). Variables: PROGRAM, SCRIPT, WORK (the test's folder,
# emptied first), SCREENSHOTS (relative screenshot files go there).
#
# A script is expected to pass (exit 0) unless it has a comment line "# fails: LINE: reason":
# then it must exit with 1 and write exactly "SCRIPT:LINE: reason" as a line on stderr. A
# comment line "# writes: FILE..." names files the script must write under SCREENSHOTS; a comment
# line "# args: ARG..." adds arguments to the program's command line; a comment line
# "# data-file: PATH SOURCE" copies SOURCE (beside the script) to PATH under the data folder
# before the program starts.
foreach(variable PROGRAM SCRIPT WORK SCREENSHOTS)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "run_scenario.cmake needs -D${variable}=...")
  endif()
endforeach()
file(STRINGS "${SCRIPT}" fails_lines REGEX "^# fails: ")
file(STRINGS "${SCRIPT}" writes_lines REGEX "^# writes: ")
file(STRINGS "${SCRIPT}" args_lines REGEX "^# args: ")
set(extra_args "")
foreach(line IN LISTS args_lines)
  string(REGEX REPLACE "^# args: " "" words "${line}")
  separate_arguments(words UNIX_COMMAND "${words}")
  list(APPEND extra_args ${words})
endforeach()
set(expected_failure "")
if(fails_lines)
  list(GET fails_lines 0 fails_line)
  string(REGEX REPLACE "^# fails: " "" expected_failure "${fails_line}")
endif()
set(written_files "")
foreach(line IN LISTS writes_lines)
  string(REGEX REPLACE "^# writes: " "" names "${line}")
  separate_arguments(names UNIX_COMMAND "${names}")
  list(APPEND written_files ${names})
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/config" "${WORK}/data" "${WORK}/tmp" "${SCREENSHOTS}")
file(STRINGS "${SCRIPT}" data_file_lines REGEX "^# data-file: ")
get_filename_component(script_folder "${SCRIPT}" DIRECTORY)
foreach(line IN LISTS data_file_lines)
  string(REGEX REPLACE "^# data-file: " "" words "${line}")
  separate_arguments(words UNIX_COMMAND "${words}")
  list(GET words 0 data_path)
  list(GET words 1 data_source)
  configure_file("${script_folder}/${data_source}" "${WORK}/data/Norvik_QT-4100/${data_path}" COPYONLY)
endforeach()
foreach(name IN LISTS written_files)
  file(REMOVE "${SCREENSHOTS}/${name}")
endforeach()
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{XDG_CONFIG_HOME} "${WORK}/config")
set(ENV{XDG_DATA_HOME} "${WORK}/data")
set(ENV{TMPDIR} "${WORK}/tmp")
set(ENV{NORVIK_SCREENSHOT_DIR} "${SCREENSHOTS}")
execute_process(
  COMMAND "${PROGRAM}" --emulate --data-dir "${WORK}/data/Norvik_QT-4100" --script "${SCRIPT}"
          ${extra_args}
  RESULT_VARIABLE code
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  TIMEOUT 120)
if(out)
  message("${out}")
endif()
if(expected_failure STREQUAL "")
  if(NOT code STREQUAL "0")
    message(FATAL_ERROR "norvik --script ${SCRIPT} ended with ${code}:\n${err}")
  endif()
else()
  set(wanted "${SCRIPT}:${expected_failure}")
  string(FIND "\n${err}\n" "\n${wanted}\n" found)
  if(NOT code STREQUAL "1" OR found EQUAL -1)
    message(FATAL_ERROR "norvik --script ${SCRIPT} should end with 1 and the line\n${wanted}\n"
                        "but ended with ${code}:\n${err}")
  endif()
endif()
foreach(name IN LISTS written_files)
  if(NOT EXISTS "${SCREENSHOTS}/${name}")
    message(FATAL_ERROR "norvik --script ${SCRIPT} did not write ${SCREENSHOTS}/${name}")
  endif()
endforeach()
