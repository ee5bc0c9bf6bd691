// "wininet.dll" as the program binds it by name.

#include "platform/kernel/ModuleRegistry.h"
#include "platform/wininet/WinInet.h"

#include <gtest/gtest.h>

namespace quilbex::wininet {
namespace {

TEST(WininetLibrary, every_function_is_bound_by_name_whatever_the_case_of_the_file_name) {
    register_wininet();
    register_wininet();
    win::HMODULE module = kernel::LoadLibraryA("WinInet.DLL");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(kernel::GetProcAddress(module, "InternetOpenA"), reinterpret_cast<win::FARPROC>(&InternetOpenA));
    EXPECT_EQ(kernel::GetProcAddress(module, "HttpQueryInfoA"), reinterpret_cast<win::FARPROC>(&HttpQueryInfoA));
    for (const char* name : {"InternetConnectA", "HttpOpenRequestA", "InternetSetOptionA", "HttpSendRequestA",
                             "InternetReadFile", "InternetCloseHandle"})
        EXPECT_NE(kernel::GetProcAddress(module, name), nullptr) << name;
    EXPECT_EQ(kernel::GetProcAddress(module, "InternetOpenW"), nullptr);
    kernel::FreeLibrary(module);
}

}  // namespace
}  // namespace quilbex::wininet
