// The skin library as the program binds it: two exported functions and
// nothing else, refusing bad skin data before it needs a display.

#include "SkinLibrary.h"
#include "skin/SkinData.h"

#include <cstring>
#include <elf.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>

namespace quilbex::skin {
namespace {

using quilbex::testing::SkinLibrary;

// The names of the functions and objects a 64-bit ELF shared object defines
// in its dynamic symbol table.
std::set<std::string> defined_dynamic_symbols(const char* path) {
    std::ifstream file(path, std::ios::binary);
    std::string image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto at = [&](std::size_t offset, std::size_t size) {
        if (offset > image.size() || size > image.size() - offset)
            throw std::runtime_error("truncated ELF file");
        return image.data() + offset;
    };
    Elf64_Ehdr header;
    std::memcpy(&header, at(0, sizeof header), sizeof header);
    std::set<std::string> names;
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr section;
        std::memcpy(&section, at(header.e_shoff + i * sizeof section, sizeof section), sizeof section);
        if (section.sh_type != SHT_DYNSYM)
            continue;
        Elf64_Shdr strings;
        std::memcpy(&strings, at(header.e_shoff + section.sh_link * sizeof strings, sizeof strings), sizeof strings);
        for (std::size_t k = 0; k < section.sh_size / sizeof(Elf64_Sym); ++k) {
            Elf64_Sym symbol;
            std::memcpy(&symbol, at(section.sh_offset + k * sizeof symbol, sizeof symbol), sizeof symbol);
            int type = ELF64_ST_TYPE(symbol.st_info);
            if (symbol.st_shndx != SHN_UNDEF && (type == STT_FUNC || type == STT_OBJECT))
                names.insert(at(strings.sh_offset + symbol.st_name, 1));
        }
    }
    return names;
}

TEST(SkinLibraryExports, exports_only_the_two_functions) {
    EXPECT_EQ(defined_dynamic_symbols(QUILBEX_SKIN_LIBRARY),
              (std::set<std::string>{"SkinH_Attach", "SkinH_AttachRes"}));
    SkinLibrary library;  // and the program can load it and find both
}

TEST(SkinLibraryExports, refuses_bad_skin_data_with_its_reason) {
    SkinLibrary library;
    auto data = pack_skin("button { color: #ff0000; }");
    auto attach = [&](const std::vector<std::uint8_t>& bytes, int length) {
        return library.attach_res(bytes.data(), length, "", 0, 0, 0);
    };
    EXPECT_EQ(library.attach_res(nullptr, 10, "", 0, 0, 0), static_cast<int>(SkinError::NoData));
    EXPECT_EQ(attach(data, 0), static_cast<int>(SkinError::NoData));
    EXPECT_EQ(attach(data, -1), static_cast<int>(SkinError::NoData));
    EXPECT_EQ(attach(data, static_cast<int>(data.size()) - 1), static_cast<int>(SkinError::BadLength));
    auto altered = data;
    altered[20] ^= 1;
    EXPECT_EQ(attach(altered, static_cast<int>(altered.size())), static_cast<int>(SkinError::BadChecksum));
    auto not_utf8 = pack_skin("button { color: #ff0000; } /* \xff */");
    EXPECT_EQ(attach(not_utf8, static_cast<int>(not_utf8.size())), static_cast<int>(SkinError::BadSheet));
    // A null password is accepted as well as an empty one.
    EXPECT_EQ(library.attach_res(nullptr, 0, nullptr, 0, 0, 0), static_cast<int>(SkinError::NoData));
}

}  // namespace
}  // namespace quilbex::skin
