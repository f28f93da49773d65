# Writes a C++ source holding a file's bytes: cmake -DINPUT=... -DOUTPUT=... -P.
# The fat binary travels this way so the mingw build embeds it like the Linux one.
cmake_minimum_required(VERSION 3.25)
file(READ "${INPUT}" _hex HEX)
string(LENGTH "${_hex}" _len)
math(EXPR _bytes "${_len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _array "${_hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" _array "${_array}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include \"gpu/cuda/CudaFatbin.h\"\n"
  "namespace morvel {\n"
  "namespace {\n"
  "alignas(8) const unsigned char kFatbin[] = {\n${_array}\n};\n"
  "}  // namespace\n"
  "std::span<const unsigned char> CudaFatbin() { return {kFatbin, ${_bytes}u}; }\n"
  "}  // namespace morvel\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
