# Renders the driver's small frames with the Linux module and, under Wine, with the
# Windows module, and fails unless the driver finds the pixels within tolerance.
foreach(var LINUX_DRIVER LINUX_MODULE WINDOWS_DRIVER WINDOWS_MODULE WINE WINEPREFIX OUTPUT_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CompareFrames.cmake needs -D${var}=...")
  endif()
endforeach()
# COMMAND picks the driver's listing: frames (CPU) or opencl-frames.
if(NOT DEFINED COMMAND)
  set(COMMAND frames)
endif()
file(MAKE_DIRECTORY ${OUTPUT_DIR})
set(linux_frames ${OUTPUT_DIR}/linux-${COMMAND}.txt)
set(windows_frames ${OUTPUT_DIR}/windows-${COMMAND}.txt)

execute_process(COMMAND ${LINUX_DRIVER} ${COMMAND} ${LINUX_MODULE}
  OUTPUT_FILE ${linux_frames} ERROR_VARIABLE linux_error RESULT_VARIABLE linux_rc)
if(NOT linux_rc EQUAL 0)
  message(FATAL_ERROR "Linux driver failed (${linux_rc}) on ${LINUX_MODULE}:\n${linux_error}")
endif()

set(ENV{WINEPREFIX} ${WINEPREFIX})
set(ENV{WINEDEBUG} -all)
execute_process(COMMAND ${WINE} ${WINDOWS_DRIVER} ${COMMAND} ${WINDOWS_MODULE}
  OUTPUT_FILE ${windows_frames} ERROR_VARIABLE windows_error RESULT_VARIABLE windows_rc)
if(NOT windows_rc EQUAL 0)
  message(FATAL_ERROR "Windows driver failed under Wine (${windows_rc}) on ${WINDOWS_MODULE}:\n${windows_error}")
endif()

execute_process(COMMAND ${LINUX_DRIVER} compare-frames ${linux_frames} ${windows_frames}
  OUTPUT_VARIABLE summary ERROR_VARIABLE delta RESULT_VARIABLE compare_rc)
if(NOT compare_rc EQUAL 0)
  message(FATAL_ERROR "The Windows module's frames differ from the Linux module's:\n${delta}${summary}")
endif()
message(STATUS "Frames agree: ${summary}")
