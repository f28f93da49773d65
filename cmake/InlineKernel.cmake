# Writes the OpenCL program text: the kernel file with every "kernel/..." header it
# includes pasted in place, each once (headers never left for the OpenCL compiler to
# find), as a .cl file and as a C++ header that embeds it.
#   cmake -DSOURCE_DIR=<repo> -DMAIN=kernel/opencl/Kernels.cl -DOUT_CL=<file> -DOUT_H=<file> -P InlineKernel.cmake
cmake_minimum_required(VERSION 3.25)
set_property(GLOBAL PROPERTY MORVEL_INLINED "")

function(morvel_inline path out_var)
  file(READ "${SOURCE_DIR}/${path}" text)
  set(result "")
  while(TRUE)
    string(REGEX MATCH "#include \"(kernel/[^\"]+)\"" match "${text}")
    if(NOT match)
      break()
    endif()
    set(header "${CMAKE_MATCH_1}")
    string(FIND "${text}" "${match}" at)
    string(SUBSTRING "${text}" 0 ${at} before)
    string(LENGTH "${match}" length)
    math(EXPR after_at "${at} + ${length}")
    string(SUBSTRING "${text}" ${after_at} -1 text)
    string(APPEND result "${before}")
    get_property(done GLOBAL PROPERTY MORVEL_INLINED)
    if(NOT header IN_LIST done)
      set_property(GLOBAL APPEND PROPERTY MORVEL_INLINED "${header}")
      morvel_inline("${header}" pasted)
      string(APPEND result "// ---- ${header}\n${pasted}// ---- end of ${header}\n")
    endif()
  endwhile()
  string(APPEND result "${text}")
  set(${out_var} "${result}" PARENT_SCOPE)
endfunction()

morvel_inline("${MAIN}" program)
set(program "// Generated from ${MAIN} and the kernel/ headers it includes; do not edit.\n${program}")
file(WRITE "${OUT_CL}.tmp" "${program}")
file(COPY_FILE "${OUT_CL}.tmp" "${OUT_CL}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT_CL}.tmp")

string(LENGTH "${program}" total)
# Pieces of at most 12000 characters cut at line ends: some compilers limit one string
# literal. clCreateProgramWithSource takes the pieces as they are, in order.
set(pieces "")
set(count 0)
while(TRUE)
  string(LENGTH "${program}" left)
  if(left EQUAL 0)
    break()
  endif()
  if(left GREATER 12000)
    string(SUBSTRING "${program}" 0 12000 head)
    string(FIND "${head}" "\n" cut REVERSE)
    math(EXPR cut "${cut} + 1")
  else()
    set(cut ${left})
  endif()
  string(SUBSTRING "${program}" 0 ${cut} piece)
  string(SUBSTRING "${program}" ${cut} -1 program)
  string(APPEND pieces "    R\"MORVELCL(${piece})MORVELCL\",\n")
  math(EXPR count "${count} + 1")
endwhile()
file(WRITE "${OUT_H}.tmp" "// Generated from ${MAIN} and the kernel/ headers it includes; do not edit.
// The OpenCL program text in pieces (no compiler needs to hold it as one literal):
// hand them to clCreateProgramWithSource in order, or join them once. The kernels
// and their arguments are listed at the top of ${MAIN}.
#pragma once

#include <cstddef>

namespace morvel {

inline constexpr std::size_t kOpenClProgramLength = ${total};
inline constexpr std::size_t kOpenClProgramPieceCount = ${count};
inline constexpr const char* kOpenClProgramPieces[kOpenClProgramPieceCount] = {
${pieces}};

}  // namespace morvel
")
file(COPY_FILE "${OUT_H}.tmp" "${OUT_H}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT_H}.tmp")
