# Builds each probe (target|file that fails|missing header) and expects the compiler to stop
# at the file's first line because the header is not on the probe's include path.
set(failures "")
foreach(probe IN LISTS PROBES)
  string(REPLACE "|" ";" probe "${probe}")
  list(GET probe 0 target)
  list(GET probe 1 file)
  list(GET probe 2 header)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C
      ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${target}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(result EQUAL 0)
    string(APPEND failures "${target} compiled\n")
  elseif(NOT output MATCHES "${file}:1:[0-9]+: fatal error: ${header}: No such file or directory")
    string(APPEND failures "${target} failed, but not for want of ${header} in ${file}:\n${output}\n")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
