#include "TestProgram.h"
#include "platform/kernel/ModuleRegistry.h"
#include "runtime/DllBinding.h"
#include "runtime/RuntimeApp.h"
#include "support/Gbk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace quilbex;
using ::testing::ExitedWithCode;
using ::testing::HasSubstr;

namespace {

int add_one(int value) { return value + 1; }
int from_gdi() { return 1; }
int from_shell() { return 2; }

win::FARPROC as_proc(auto function) { return reinterpret_cast<win::FARPROC>(function); }

class DllBindingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        kernel::register_builtin_library(
            "wininet.dll", {{"InternetOpenA", as_proc(add_one), 0}, {"InternetCloseHandle", as_proc(add_one), 7}});
        kernel::register_builtin_library("Gdi32.dll", {{"SharedName", as_proc(from_gdi), 0}});
        kernel::register_builtin_library("Shell32.dll", {{"SharedName", as_proc(from_shell), 0}});
        kernel::register_builtin_library("partial.dll", {{"Present", as_proc(add_one), 0}});
    }
    quilbex::testing::TestProgram program;
};

TEST_F(DllBindingTest, a_command_binds_on_first_call_and_is_cached) {
    program.dll_libraries = {"wininet.dll"};
    program.dll_functions = {"InternetOpenA"};
    program.load();
    rt::DllCommand<int(int)> open{0};
    EXPECT_EQ(open(41), 42);
    auto module = rt::runtime_app().dllModules[0];
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(open(1), 2);
    EXPECT_EQ(kernel::module_reference_count(module), 1);  // the second call did not load again
    rt::release_dll_modules();
    EXPECT_EQ(kernel::module_reference_count(module), 0);
}

TEST_F(DllBindingTest, names_differing_in_case_bind_separately_and_are_released_once_each) {
    program.dll_libraries = {"wininet.dll", "Wininet.dll"};
    program.dll_functions = {"InternetOpenA", "InternetOpenA"};
    program.load();
    rt::resolve_dll_command(0);
    rt::resolve_dll_command(1);
    auto& modules = rt::runtime_app().dllModules;
    ASSERT_EQ(modules[0], modules[1]);  // one module, loaded twice
    EXPECT_EQ(kernel::module_reference_count(modules[0]), 2);
    auto module = modules[0];
    rt::release_dll_modules();
    EXPECT_EQ(kernel::module_reference_count(module), 0);
    EXPECT_TRUE(rt::runtime_app().dllModules.empty());
}

TEST_F(DllBindingTest, an_ordinal_name_binds_by_ordinal) {
    program.dll_libraries = {"wininet.dll"};
    program.dll_functions = {"#65543"};  // 65543 mod 65536 = 7
    program.load();
    EXPECT_EQ(rt::resolve_dll_command(0), as_proc(add_one));
    rt::release_dll_modules();
}

TEST_F(DllBindingTest, an_empty_library_name_searches_the_standard_libraries_in_order) {
    program.dll_libraries = {""};
    program.dll_functions = {"SharedName"};
    program.load();
    rt::DllCommand<int()> shared{0};
    EXPECT_EQ(shared(), 1);  // Gdi32 comes before Shell32
    auto module = rt::runtime_app().dllModules[0];
    EXPECT_EQ(module, kernel::LoadLibraryA("GDI32.DLL"));
    EXPECT_EQ(kernel::module_reference_count(module), 2);
    kernel::FreeLibrary(module);
    win::HMODULE kernel32 = kernel::LoadLibraryA("kernel32.dll");
    EXPECT_EQ(kernel::module_reference_count(kernel32), 1);  // the search released what it tried
    kernel::FreeLibrary(kernel32);
    rt::release_dll_modules();
}

std::int32_t report_module_state(std::int32_t, const char* text) {
    win::HMODULE probe = kernel::LoadLibraryA("partial.dll");
    std::fprintf(stderr, "loads while reporting: %d\n%s\n", kernel::module_reference_count(probe),
                 quilbex::testing::utf8(text).c_str());
    return 1;
}

TEST_F(DllBindingTest, a_missing_export_releases_the_library_then_names_library_and_function) {
    EXPECT_EXIT(
        {
            program.dll_libraries = {"partial.dll"};
            program.dll_functions = {"Absent"};
            program.load();
            rt::runtime_app().errorHandler = report_module_state;
            rt::resolve_dll_command(0);
        },
        ExitedWithCode(255),
        ::testing::AllOf(HasSubstr("loads while reporting: 1"),
                         HasSubstr("无法找到指定DLL库文件“partial.dll”中的输出命令“Absent”")));
}

TEST_F(DllBindingTest, a_missing_library_or_name_without_library_is_fatal) {
    EXPECT_EXIT(
        {
            program.dll_libraries.assign(2, "");
            program.dll_functions.assign(2, "NotExportedAnywhere");
            program.load();
            rt::resolve_dll_command(0);
        },
        ExitedWithCode(255), HasSubstr("无法找到指定DLL库文件中的输出命令“NotExportedAnywhere”"));
    EXPECT_EXIT(
        {
            program.dll_libraries = {"no-such-library.dll"};
            program.dll_functions = {"Anything"};
            program.load();
            rt::resolve_dll_command(0);
        },
        ExitedWithCode(255), HasSubstr("无法找到指定DLL库文件“no-such-library.dll”中的输出命令“Anything”"));
}

}  // namespace
