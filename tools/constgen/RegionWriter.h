#pragma once
// Lays constants out in one contiguous region and writes it as C++ source.

#include "tools/constgen/ConstantsFile.h"

#include <cstddef>
#include <string>
#include <vector>

namespace quilbex::tools {

struct PlacedConstant {
    const Constant* constant;
    std::size_t offset;
};

struct RegionLayout {
    std::vector<std::uint8_t> bytes;
    std::vector<PlacedConstant> placed;
};

// Every constant starts on a 4-byte boundary. A text is its bytes and a zero;
// a byte set is the block (1, length, bytes); an array is (1, count, elements).
RegionLayout lay_out_region(const std::vector<Constant>& constants);

std::string write_header(const RegionLayout& layout, const std::string& ns, const std::string& cpp_name);
std::string write_source(const RegionLayout& layout, const std::string& ns, const std::string& header_include);

}  // namespace quilbex::tools
