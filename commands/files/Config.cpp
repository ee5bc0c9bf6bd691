// read_config and write_config over the profile functions.

#include "commands/Arguments.h"
#include "commands/files/FileCommands.h"
#include "platform/kernel/ProfileFile.h"

#include <string>
#include <vector>

namespace quilbex::commands::lib {
namespace {

constexpr win::DWORD kValueBufferSize = 10240;

std::string skip_leading_blanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= 32)
        ++i;
    return std::string(text.substr(i));
}

}  // namespace

void read_config(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    std::string file = skip_leading_blanks(text_of(argument(argc, args, 0)));
    std::string section = skip_leading_blanks(text_of(argument(argc, args, 1)));
    std::string key = skip_leading_blanks(text_of(argument(argc, args, 2)));
    if (file.empty() || section.empty() || key.empty())
        return set_text(result, {});
    std::string fallback(text_of(argument(argc, args, 3)));
    std::vector<char> buffer(kValueBufferSize);
    win::DWORD n = kernel::GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                                    kValueBufferSize, file.c_str());
    set_text(result, std::string_view(buffer.data(), n));
}

void write_config(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    std::string file(text_of(argument(argc, args, 0)));
    std::string section(text_of(argument(argc, args, 1)));
    rt::ArgRecord key_arg = argument(argc, args, 2);
    rt::ArgRecord value_arg = argument(argc, args, 3);
    std::string key(text_of(key_arg));
    std::string value(text_of(value_arg));
    win::BOOL ok = kernel::WritePrivateProfileStringA(section.c_str(), key_arg.omitted() ? nullptr : key.c_str(),
                                                      value_arg.omitted() ? nullptr : value.c_str(), file.c_str());
    set_bool(result, ok != win::FALSE);
}

}  // namespace quilbex::commands::lib
