# Runs the driver's report on the Linux module and, under Wine, on the Windows
# module, and fails with a diff unless the two reports are identical.
foreach(var LINUX_DRIVER LINUX_MODULE WINDOWS_DRIVER WINDOWS_MODULE WINE WINEPREFIX OUTPUT_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CompareReports.cmake needs -D${var}=...")
  endif()
endforeach()
file(MAKE_DIRECTORY ${OUTPUT_DIR})

execute_process(COMMAND ${LINUX_DRIVER} report ${LINUX_MODULE}
  OUTPUT_VARIABLE linux_report ERROR_VARIABLE linux_error RESULT_VARIABLE linux_rc)
if(NOT linux_rc EQUAL 0)
  message(FATAL_ERROR "Linux driver failed (${linux_rc}) on ${LINUX_MODULE}:\n${linux_error}")
endif()

set(ENV{WINEPREFIX} ${WINEPREFIX})
set(ENV{WINEDEBUG} -all)
execute_process(COMMAND ${WINE} ${WINDOWS_DRIVER} report ${WINDOWS_MODULE}
  OUTPUT_VARIABLE windows_report ERROR_VARIABLE windows_error RESULT_VARIABLE windows_rc)
if(NOT windows_rc EQUAL 0)
  message(FATAL_ERROR "Windows driver failed under Wine (${windows_rc}) on ${WINDOWS_MODULE}:\n${windows_error}")
endif()
# Windows text-mode output ends lines with CR LF.
string(REPLACE "\r" "" windows_report "${windows_report}")

file(WRITE ${OUTPUT_DIR}/linux-report.txt "${linux_report}")
file(WRITE ${OUTPUT_DIR}/windows-report.txt "${windows_report}")
if(NOT linux_report STREQUAL windows_report)
  find_program(DIFF diff)
  if(DIFF)
    execute_process(COMMAND ${DIFF} -u ${OUTPUT_DIR}/linux-report.txt ${OUTPUT_DIR}/windows-report.txt
      OUTPUT_VARIABLE delta)
  endif()
  message(FATAL_ERROR "The Windows module reports differently from the Linux module:\n${delta}")
endif()
string(LENGTH "${linux_report}" size)
if(size LESS 1000)
  message(FATAL_ERROR "The reports are suspiciously short (${size} bytes):\n${linux_report}")
endif()
message(STATUS "Reports identical (${size} bytes): ${OUTPUT_DIR}")
