// "wininet.dll" as the program binds it by name, and libcurl behind it
// loaded only when the network is first used.

#include "platform/kernel/ModuleRegistry.h"
#include "platform/wininet/HttpTransfer.h"
#include "platform/wininet/WinInet.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

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

bool libcurl_mapped() {
    std::ifstream maps("/proc/self/maps");
    std::string text((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
    return text.find("libcurl") != std::string::npos;
}

TEST(WininetLibrary, libcurl_is_loaded_by_the_first_transfer_not_with_the_program) {
    if (libcurl_mapped())
        GTEST_SKIP() << "an earlier test in this process went on the network";
    TransferSpec order;
    order.url = "http://127.0.0.1:1/";  // refused: the transfer fails, but only after libcurl is there
    order.verb = "GET";
    order.connect_timeout_ms = 2000;
    TransferResult result = perform_transfer(order);
    EXPECT_NE(result.error, 0u);
    EXPECT_TRUE(libcurl_mapped());
}

}  // namespace
}  // namespace quilbex::wininet
