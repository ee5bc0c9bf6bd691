# cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DNAME=<C++ name> -P EmbedFile.cmake
# Writes a source file that holds INPUT's bytes as
#   std::string_view NAME();
# in namespace quilbex::embedded, so that a text file of the project is built
# into the program byte for byte.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
string(LENGTH "${hex}" hex_length)
math(EXPR length "${hex_length} / 2")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include <string_view>\n"
  "namespace quilbex::embedded {\n"
  "namespace {\n"
  "constexpr char kBytes[] = {${bytes} 0};\n"
  "}  // namespace\n"
  "std::string_view ${NAME}() { return {kBytes, ${length}}; }\n"
  "}  // namespace quilbex::embedded\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
