#include "TestProgram.h"
#include "runtime/Memory.h"
#include "runtime/SystemHelp.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>

using namespace quilbex;
namespace fs = std::filesystem;

namespace {

class FindFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.load();
        folder = fs::temp_directory_path() / ("quilbex-find-" + std::to_string(::getpid()));
        fs::create_directories(folder / "sub.dir");
        std::ofstream(folder / "a.ini") << "x";
        std::ofstream(folder / "B.INI") << "y";
        std::ofstream(folder / ".hidden.ini") << "z";
    }
    void TearDown() override { fs::remove_all(folder); }

    std::set<std::string> find_all(const std::string& pattern, std::uint32_t mask, bool all_files) {
        std::set<std::string> names;
        win::HANDLE search = nullptr;
        std::string first = pattern;
        while (rt::OwnedText name{rt::find_file(first.c_str(), mask, all_files, &search)}) {
            names.insert(name.get());
            first.clear();
        }
        EXPECT_EQ(search, nullptr);  // closed and cleared at the end
        return names;
    }

    quilbex::testing::TestProgram program;
    fs::path folder;
};

TEST_F(FindFileTest, all_files_finds_every_entry_that_is_not_a_folder) {
    EXPECT_EQ(find_all(folder.string() + "\\*.ini", 0, true), (std::set<std::string>{"a.ini", "B.INI", ".hidden.ini"}));
}

TEST_F(FindFileTest, mask_zero_finds_plain_files_only) {
    EXPECT_EQ(find_all(folder.string() + "/*", 0, false), (std::set<std::string>{"a.ini", "B.INI"}));
}

TEST_F(FindFileTest, a_mask_finds_entries_with_one_of_its_attributes) {
    EXPECT_EQ(find_all(folder.string() + "/*", 0x10, false), (std::set<std::string>{".", "..", "sub.dir"}));
    EXPECT_EQ(find_all(folder.string() + "/*", 0x02, false), (std::set<std::string>{".hidden.ini"}));
}

TEST_F(FindFileTest, wild_cards_ignore_case_and_question_marks_take_one_character) {
    EXPECT_EQ(find_all(folder.string() + "/?.InI", 0, true), (std::set<std::string>{"a.ini", "B.INI"}));
    EXPECT_TRUE(find_all(folder.string() + "/??.ini", 0, true).empty());
}

TEST_F(FindFileTest, nothing_found_gives_null_and_no_handle) {
    win::HANDLE search = nullptr;
    EXPECT_EQ(rt::find_file((folder.string() + "/*.none").c_str(), 0, true, &search), nullptr);
    EXPECT_EQ(search, nullptr);
    EXPECT_EQ(rt::find_file("", 0, true, &search), nullptr);
}

}  // namespace
