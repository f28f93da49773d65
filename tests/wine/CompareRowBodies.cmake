# Renders the driver's small CPU frames with the Windows module under Wine with the
# AVX2 row bodies (light, incidence and rim, and environment passes), with the AVX-512
# light and incidence-and-rim rows, and with the per-pixel body, and fails unless the
# listings are the same to the last digit: the vector copies run on Windows (32- and
# 64-byte vectors spilled to a 16-byte aligned stack included) and give the same frames.
# Windows has no vector math library, so its environment body keeps the C library's
# scalar calls and must match exactly too. Wine runs the module on this processor: where
# it lacks AVX-512 the module falls back to AVX2, and the message says so.
foreach(var WINDOWS_DRIVER WINDOWS_MODULE WINE WINEPREFIX OUTPUT_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CompareRowBodies.cmake needs -D${var}=...")
  endif()
endforeach()
file(MAKE_DIRECTORY ${OUTPUT_DIR})
set(ENV{WINEPREFIX} ${WINEPREFIX})
set(ENV{WINEDEBUG} -all)
foreach(bodies avx2 avx512 per-pixel)
  set(ENV{MORVEL_CPU_ROW_BODIES} ${bodies})
  execute_process(COMMAND ${WINE} ${WINDOWS_DRIVER} frames ${WINDOWS_MODULE}
    OUTPUT_FILE ${OUTPUT_DIR}/windows-frames-${bodies}.txt ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Windows driver failed under Wine (${rc}) with ${bodies} row bodies:\n${err}")
  endif()
endforeach()
file(READ ${OUTPUT_DIR}/windows-frames-per-pixel.txt b)
foreach(bodies avx2 avx512)
  file(READ ${OUTPUT_DIR}/windows-frames-${bodies}.txt a)
  if(NOT a STREQUAL b)
    message(FATAL_ERROR "The ${bodies} row bodies' frames differ from the per-pixel body's under Wine: compare "
      "${OUTPUT_DIR}/windows-frames-${bodies}.txt and ${OUTPUT_DIR}/windows-frames-per-pixel.txt")
  endif()
endforeach()
string(FIND "${a}" "layers=all" all)
if(all EQUAL -1)
  message(FATAL_ERROR "The frames listing has no frame with every layer: the row bodies were never reached")
endif()
set(avx512 "this processor lacks AVX-512, so that run took the AVX2 copy")
if(EXISTS /proc/cpuinfo)
  file(READ /proc/cpuinfo cpuinfo)
  if(cpuinfo MATCHES " avx512f" AND cpuinfo MATCHES " avx512bw" AND cpuinfo MATCHES " avx512dq"
     AND cpuinfo MATCHES " avx512vl")
    set(avx512 "the AVX-512 copy ran")
  endif()
endif()
message(STATUS "AVX2, AVX-512 and per-pixel row bodies agree under Wine (${avx512})")
