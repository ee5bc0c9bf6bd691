// file_exists, write_file and run_directory.

#include "commands/Arguments.h"
#include "commands/files/FileCommands.h"
#include "platform/kernel/AtomicFile.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/FileSearch.h"
#include "runtime/RuntimeApp.h"

#include <string>
#include <vector>

namespace quilbex::commands::lib {

void file_exists(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    std::string name(text_of(argument(argc, args, 0)));
    kernel::WIN32_FIND_DATAA data;
    win::HANDLE search = kernel::FindFirstFileA(name.c_str(), &data);
    bool found = search != win::INVALID_HANDLE_VALUE && search != nullptr;
    if (found)
        kernel::FindClose(search);
    set_bool(result, found);
}

void write_file(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    std::string_view name = text_of(argument(argc, args, 0));
    if (name.empty())
        return set_bool(result, false);
    std::vector<std::string_view> pieces;
    for (int i = 1; i < argc; ++i) {
        auto bytes = bytes_of(args[i]);
        if (!bytes.empty())
            pieces.emplace_back(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    set_bool(result, static_cast<bool>(kernel::replace_file_contents(kernel::native_path(name), pieces)));
}

void run_directory(rt::ArgRecord* result, int, rt::ArgRecord*) { set_text(result, rt::runtime_app().programDir); }

}  // namespace quilbex::commands::lib
