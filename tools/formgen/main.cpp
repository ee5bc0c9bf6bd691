// formgen [-DNAME=value...] <description> <namespace> <header out> <source out>
// Generates the window template data from a forms description. Icons made
// from pixel art are written beside the header as .ico files.

#include "forms/template/TemplateWriter.h"
#include "tools/constgen/GeneratedFile.h"
#include "tools/formgen/Description.h"
#include "tools/formgen/SourceWriter.h"

#include <fstream>
#include <iostream>
#include <sstream>

using namespace quilbex::tools;

int main(int argc, char** argv) {
    std::map<std::string, std::string> defines;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("-D", 0) == 0 && arg.find('=') != std::string::npos) {
            std::size_t eq = arg.find('=');
            defines[arg.substr(2, eq - 2)] = arg.substr(eq + 1);
        } else {
            args.push_back(arg);
        }
    }
    if (args.size() != 4) {
        std::cerr << "usage: formgen [-DNAME=value...] <description> <namespace> <header out> <source out>\n";
        return 2;
    }
    std::filesystem::path input = args[0];
    std::ifstream file(input, std::ios::binary);
    if (!file) {
        std::cerr << input.string() << ": cannot read\n";
        return 1;
    }
    std::ostringstream content;
    content << file.rdbuf();
    auto parsed = parse_description(content.str(), input.parent_path(), defines);
    if (auto* error = std::get_if<DescriptionError>(&parsed)) {
        std::cerr << input.string() << ":" << error->line << ": " << error->message << "\n";
        return 1;
    }
    const auto& description = std::get<FormsDescription>(parsed);
    auto data = quilbex::forms::write_templates(description.templates);
    if (!data) {
        std::cerr << input.string() << ": " << data.error().message << "\n";
        return 1;
    }
    std::filesystem::path header = args[2];
    std::string include = header.parent_path().filename().string() + "/" + header.filename().string();
    bool ok = write_if_changed(header, write_templates_header(description, data.value().size(), args[1],
                                                              input.filename().string())) &&
              write_if_changed(args[3], write_templates_source(data.value(), args[1], include));
    for (const auto& icon : description.icons)
        ok = ok &&
             write_if_changed(header.parent_path() / icon.file_name, std::string(icon.bytes.begin(), icon.bytes.end()));
    if (!ok) {
        std::cerr << "formgen: cannot write output\n";
        return 1;
    }
    return 0;
}
