// --where lists the member files of the table, each where it lives.

#include "app/cli/MemberCommands.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Paths.h"

#include <filesystem>
#include <gmock/gmock.h>

namespace quilbex::app {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(MemberCommands, where_lists_the_shown_rows_of_the_member_file_table) {
    std::string pattern = (std::filesystem::temp_directory_path() / "where-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    kernel::FolderEnvironment environment;
    environment.home = pattern;
    environment.program_folder_writable = false;
    kernel::MemberFolders folders = kernel::decide_member_folders(kernel::executable_directory(), "", environment);
    kernel::set_member_folders(folders);
    const std::string listed = where_text();
    EXPECT_THAT(listed, HasSubstr("  History.log" + std::string(28 - 11, ' ') + " " + folders.history_file() + "\n"));
    EXPECT_THAT(listed, Not(HasSubstr("History.log.1")));

    static constexpr kernel::MemberFile kWithNotes[] = {
        {"Notes.txt", kernel::MemberFolder::state, 0600, kernel::ShownByWhere::yes},
        {"Hidden.txt", kernel::MemberFolder::state, 0600, kernel::ShownByWhere::no},
    };
    folders.files = kWithNotes;
    kernel::set_member_folders(folders);
    const std::string with_notes = where_text();
    EXPECT_THAT(with_notes,
                HasSubstr("  Notes.txt" + std::string(28 - 9, ' ') + " " + folders.state_folder + "/Notes.txt\n"));
    EXPECT_THAT(with_notes, Not(HasSubstr("Hidden.txt")));
    EXPECT_THAT(with_notes, Not(HasSubstr("History.log")));
    std::filesystem::remove_all(pattern);
}

}  // namespace
}  // namespace quilbex::app
