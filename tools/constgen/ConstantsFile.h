#pragma once
// A constants file is UTF-8 text, one constant per line:
//
//   text   <name> "<text>"            a GBK text; escapes \r \n \t \" \\ and \xHH (a raw byte)
//   bytes  <name> hex "<hex pairs>"   a byte set from hexadecimal pairs (spaces allowed)
//   bytes  <name> file "<path>"       a byte set with a file's contents (path relative to the file)
//   array  <name> int32 <n> <n> ...   a one-dimensional array of 32-bit integers
//
// Blank lines and lines starting with '#' are ignored.

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

namespace quilbex::tools {

enum class ConstantKind { Text, ByteSet, Int32Array };

struct Constant {
    ConstantKind kind;
    std::string name;
    std::vector<std::uint8_t> bytes;  // Text: GBK bytes without terminator; ByteSet: the bytes
    std::vector<std::int32_t> integers;  // Int32Array
};

struct ParseError {
    int line;
    std::string message;
};

using ParseResult = std::variant<std::vector<Constant>, ParseError>;

// Reads and converts every constant; texts are converted from UTF-8 to GBK.
ParseResult parse_constants(const std::string& content, const std::filesystem::path& base_dir);

// Converts UTF-8 to GBK (code page 936). Returns false when a character has no GBK form.
bool utf8_to_gbk(const std::string& utf8, std::vector<std::uint8_t>& out);

}  // namespace quilbex::tools
