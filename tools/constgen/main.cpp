// constgen <constants file> <namespace> <header out> <source out>
// Generates the constant region described by a constants file.

#include "tools/constgen/ConstantsFile.h"
#include "tools/constgen/GeneratedFile.h"
#include "tools/constgen/RegionWriter.h"

#include <fstream>
#include <iostream>
#include <sstream>

using namespace quilbex::tools;

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: constgen <constants file> <namespace> <header out> <source out>\n";
        return 2;
    }
    std::filesystem::path input = argv[1];
    std::ifstream file(input, std::ios::binary);
    if (!file) {
        std::cerr << input.string() << ": cannot read\n";
        return 1;
    }
    std::ostringstream content;
    content << file.rdbuf();
    auto parsed = parse_constants(content.str(), input.parent_path());
    if (auto* error = std::get_if<ParseError>(&parsed)) {
        std::cerr << input.string() << ":" << error->line << ": " << error->message << "\n";
        return 1;
    }
    auto& constants = std::get<std::vector<Constant>>(parsed);
    RegionLayout layout = lay_out_region(constants);
    std::filesystem::path header = argv[3];
    std::string header_include = header.parent_path().filename().string() + "/" + header.filename().string();
    if (!write_if_changed(header, write_header(layout, argv[2], input.filename().string())) ||
        !write_if_changed(argv[4], write_source(layout, argv[2], header_include))) {
        std::cerr << "constgen: cannot write output\n";
        return 1;
    }
    return 0;
}
