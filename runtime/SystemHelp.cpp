#include "runtime/SystemHelp.h"

#include "platform/kernel/FileSearch.h"
#include "runtime/Blocks.h"
#include "runtime/Exit.h"
#include "runtime/Memory.h"
#include "runtime/RuntimeApp.h"
#include "runtime/Startup.h"

#include <algorithm>
#include <cstring>

namespace quilbex::rt {
namespace {

inline constexpr std::uint32_t kSearchableAttributes = 0x37;  // read-only, hidden, system, directory, archive

bool attributes_match(win::DWORD attributes, std::uint32_t mask, bool all_files) {
    if (all_files)
        return (attributes & kernel::FILE_ATTRIBUTE_DIRECTORY) == 0;
    // Linux files carry no archive bit, so a plain file (FILE_ATTRIBUTE_NORMAL)
    // has no searchable attribute and is what a mask of 0 finds.
    if (mask == 0)
        return (attributes & kSearchableAttributes) == 0;
    return (attributes & mask) != 0;
}

}  // namespace

char* find_file(const char* pattern, std::uint32_t attribute_mask, bool all_files, win::HANDLE* search) {
    attribute_mask &= kSearchableAttributes;
    kernel::WIN32_FIND_DATAA data{};
    bool have_entry = false;
    if (pattern && *pattern) {
        if (*search)
            kernel::FindClose(*search);
        *search = kernel::FindFirstFileA(pattern, &data);
        if (*search == win::INVALID_HANDLE_VALUE) {
            *search = nullptr;
            return nullptr;
        }
        have_entry = true;
    } else if (!*search) {
        return nullptr;
    }
    for (;;) {
        if (!have_entry && !kernel::FindNextFileA(*search, &data))
            break;
        have_entry = false;
        if (attributes_match(data.dwFileAttributes, attribute_mask, all_files))
            return make_text(data.cFileName);
    }
    kernel::FindClose(*search);
    *search = nullptr;
    return nullptr;
}

void end_file_search(win::HANDLE search) {
    if (search)
        kernel::FindClose(search);
}

void make_array_writable(std::size_t element_size, void** array_variable) {
    if (!array_variable || !*array_variable || !is_constant(*array_variable))
        return;
    std::size_t size = array_block_size(*array_variable, element_size);
    auto* source = static_cast<const unsigned char*>(*array_variable);
    // A damaged constant cannot make the copy read past the region.
    std::size_t available = static_cast<std::size_t>(runtime_app().constEnd.load() - source);
    void* copy = allocate(size);
    std::memset(copy, 0, size);
    std::memcpy(copy, source, std::min(size, available));
    *array_variable = copy;
}

std::uintptr_t system_help(std::uint32_t function, std::uintptr_t a1, std::uintptr_t a2, std::uintptr_t a3,
                           std::uintptr_t a4) {
    switch (function) {
    case 0:
        return reinterpret_cast<std::uintptr_t>(find_file(reinterpret_cast<const char*>(a1),
                                                          static_cast<std::uint32_t>(a2), a3 != 0,
                                                          reinterpret_cast<win::HANDLE*>(a4)));
    case 1: end_file_search(reinterpret_cast<win::HANDLE>(a1)); return 0;
    case 2: make_array_writable(a1, reinterpret_cast<void**>(a2)); return 0;
    case 3: register_exit_callback(reinterpret_cast<ExitCallback>(a1)); return 0;
    case 4: return 0;  // no object types without windows in this program
    case 5: return 0;
    case 6: load_program_data(); return 0;
    default: return 0;
    }
}

}  // namespace quilbex::rt
