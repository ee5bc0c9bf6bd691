#include "CommandTestSupport.h"
#include "commands/CoreLibrary.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace quilbex::commands {
namespace {

TEST(CommandTables, list_every_command_once_with_a_routine) {
    std::set<std::string> names;
    for (const CommandEntry& entry : core_commands()) {
        EXPECT_NE(entry.routine, nullptr) << entry.name;
        EXPECT_TRUE(names.insert(std::string(entry.name)).second) << entry.name;
    }
    for (const char* name : {"length_of_text", "find_text", "replace_text", "split_text", "to_text", "current_time",
                             "write_file", "read_config", "write_config", "run_directory", "bit_or", "delay"})
        EXPECT_EQ(names.count(name), 1u) << name;
    ASSERT_EQ(core_command_routines().size(), core_commands().size());
    for (std::size_t i = 0; i < core_commands().size(); ++i)
        EXPECT_EQ(core_command_routines()[i], core_commands()[i].routine);
    EXPECT_EQ(thread_commands().size(), 1u);
    EXPECT_EQ(find_command("start_thread"), thread_command_routines()[0]);
    EXPECT_EQ(find_command("no_such_command"), nullptr);
}

// Every command must cope with being called with no arguments at all, and
// with arguments of the wrong types: a clear result, never a crash.
TEST(CommandTables, every_command_survives_missing_and_mistyped_arguments) {
    rt::ArgRecord wrong[6];
    for (auto& record : wrong)
        record = rt::ArgRecord::of_int(0, 0x00010005);
    for (const CommandEntry& entry : core_commands()) {
        if (entry.name == "delay")
            continue;
        rt::ArgRecord none = rt::call_core_command(entry.routine, 0, nullptr);
        rt::ArgRecord mistyped = rt::call_core_command(entry.routine, 6, wrong);
        for (rt::ArgRecord* result : {&none, &mistyped}) {
            if (result->type == rt::kTypeText || result->type == rt::kTypeByteSet)
                rt::release(result->pointer());
            else if (result->type == (rt::kTypeText | rt::kByReference))
                TextArray(static_cast<unsigned char*>(result->pointer()));
        }
    }
}

}  // namespace
}  // namespace quilbex::commands
