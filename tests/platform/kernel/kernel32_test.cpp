#include "platform/kernel/CodePage.h"
#include "platform/kernel/Kernel32.h"
#include "platform/kernel/ModuleRegistry.h"
#include "platform/kernel/Thread.h"

#include <gtest/gtest.h>

namespace quilbex::kernel {
namespace {

TEST(Kernel32, exports_the_functions_the_program_binds_under_any_case) {
    register_kernel32();
    register_kernel32();  // idempotent
    for (const char* name : {"kernel32.dll", "Kernel32.dll", "KERNEL32.DLL"}) {
        win::HMODULE module = LoadLibraryA(name);
        ASSERT_NE(module, nullptr) << name;
        for (const char* function :
             {"GetExitCodeThread", "TerminateThread", "MultiByteToWideChar", "WideCharToMultiByte",
              "GetPrivateProfileStringA", "WritePrivateProfileStringA", "CreateThread", "CloseHandle", "GetLastError"})
            EXPECT_NE(GetProcAddress(module, function), nullptr) << function;
        FreeLibrary(module);
    }
}

TEST(Kernel32, bound_conversion_function_is_the_real_one) {
    register_kernel32();
    win::HMODULE module = LoadLibraryA("kernel32.dll");
    using Convert = int (*)(win::UINT, win::DWORD, win::LPCSTR, int, win::LPWSTR, int);
    auto convert = reinterpret_cast<Convert>(GetProcAddress(module, "MultiByteToWideChar"));
    ASSERT_NE(convert, nullptr);
    char16_t out[4] = {};
    EXPECT_EQ(convert(CP_UTF8, 0, "ab", -1, out, 4), 3);
    EXPECT_EQ(std::u16string(out), u"ab");
    FreeLibrary(module);
}

}  // namespace
}  // namespace quilbex::kernel
