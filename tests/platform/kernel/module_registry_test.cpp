#include "platform/kernel/FileSearch.h"
#include "platform/kernel/ModuleRegistry.h"
#include "platform/kernel/Paths.h"

#include <gtest/gtest.h>

using namespace quilbex;

namespace {

int builtin_function() { return 7; }

win::FARPROC as_proc(int (*function)()) { return reinterpret_cast<win::FARPROC>(function); }

TEST(ModuleRegistry, builtin_libraries_are_found_by_name_without_regard_to_case) {
    kernel::register_builtin_library("Sample32.dll", {{"Answer", as_proc(builtin_function), 3}});
    win::HMODULE lower = kernel::LoadLibraryA("sample32.dll");
    win::HMODULE upper = kernel::LoadLibraryA("SAMPLE32.DLL");
    ASSERT_NE(lower, nullptr);
    EXPECT_EQ(lower, upper);
    EXPECT_EQ(kernel::module_reference_count(lower), 2);
    EXPECT_EQ(kernel::GetProcAddress(lower, "Answer"), as_proc(builtin_function));
    EXPECT_EQ(kernel::GetProcAddress(lower, "answer"), nullptr);  // export names keep their case
    EXPECT_EQ(kernel::GetProcAddress(lower, reinterpret_cast<win::LPCSTR>(3)), as_proc(builtin_function));
    EXPECT_EQ(kernel::GetProcAddress(lower, reinterpret_cast<win::LPCSTR>(4)), nullptr);
    EXPECT_TRUE(kernel::FreeLibrary(lower));
    EXPECT_TRUE(kernel::FreeLibrary(upper));
    EXPECT_EQ(kernel::module_reference_count(lower), 0);
    EXPECT_FALSE(kernel::FreeLibrary(lower));  // no longer loaded
}

TEST(ModuleRegistry, a_path_never_names_a_builtin_library) {
    kernel::register_builtin_library("Sample32.dll", {});
    EXPECT_EQ(kernel::LoadLibraryA("C:\\Windows\\System32\\Sample32.dll"), nullptr);
    EXPECT_EQ(kernel::LoadLibraryA("./Sample32.dll"), nullptr);
    EXPECT_EQ(kernel::LoadLibraryA(""), nullptr);
}

TEST(ModuleRegistry, a_file_loads_from_disk_with_either_separator_and_is_shared) {
    std::string folder = kernel::executable_directory();
    std::string windows_style = folder + "\\TestModule.dll";
    win::HMODULE first = kernel::LoadLibraryA(windows_style.c_str());
    ASSERT_NE(first, nullptr);
    win::HMODULE second = kernel::LoadLibraryA((folder + "/TestModule.dll").c_str());
    EXPECT_EQ(first, second);
    auto answer = reinterpret_cast<int (*)()>(kernel::GetProcAddress(first, "quilbex_test_module_answer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(kernel::GetProcAddress(first, reinterpret_cast<win::LPCSTR>(1)), nullptr);
    kernel::FreeLibrary(first);
    kernel::FreeLibrary(second);
    EXPECT_EQ(kernel::module_reference_count(first), 0);
}

TEST(ModuleRegistry, a_bare_name_finds_a_file_in_the_program_folder) {
    win::HMODULE module = kernel::LoadLibraryA("TestModule.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_NE(kernel::GetProcAddress(module, "quilbex_test_module_answer"), nullptr);
    kernel::FreeLibrary(module);
    EXPECT_EQ(kernel::LoadLibraryA("NoSuchModule.dll"), nullptr);
}

TEST(ModuleRegistry, the_standard_system_libraries_exist_in_their_search_order) {
    const auto& names = kernel::standard_system_libraries();
    ASSERT_EQ(names.size(), 6u);
    EXPECT_EQ(names.front(), "Kernel32.dll");
    EXPECT_EQ(names.back(), "Shell32.dll");
    for (const auto& name : names) {
        win::HMODULE module = kernel::LoadLibraryA(name.c_str());
        EXPECT_NE(module, nullptr) << name;
        kernel::FreeLibrary(module);
    }
}

TEST(Wildcards, stars_and_question_marks_match_as_on_windows) {
    EXPECT_TRUE(kernel::wildcard_match("*", ""));
    EXPECT_TRUE(kernel::wildcard_match("*.ini", "Cookie.INI"));
    EXPECT_TRUE(kernel::wildcard_match("c*k*e.ini", "Cookie.ini"));
    EXPECT_TRUE(kernel::wildcard_match("a?c", "abc"));
    EXPECT_FALSE(kernel::wildcard_match("a?c", "ac"));
    EXPECT_FALSE(kernel::wildcard_match("*.ini", "Cookie.ini.bak"));
    EXPECT_TRUE(kernel::wildcard_match("*a*a*a*", "aaaa"));
    EXPECT_FALSE(kernel::wildcard_match("*a*a*a*b", "aaaa"));
}

TEST(FileSearch, an_exact_name_finds_the_file_or_folder_itself) {
    std::string folder = kernel::executable_directory();
    kernel::WIN32_FIND_DATAA data{};
    win::HANDLE search = kernel::FindFirstFileA(folder.c_str(), &data);
    ASSERT_NE(search, win::INVALID_HANDLE_VALUE);
    EXPECT_TRUE(data.dwFileAttributes & kernel::FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(kernel::FindNextFileA(search, &data));
    EXPECT_TRUE(kernel::FindClose(search));
    EXPECT_EQ(kernel::FindFirstFileA((folder + "/missing-file").c_str(), &data), win::INVALID_HANDLE_VALUE);
}

}  // namespace
