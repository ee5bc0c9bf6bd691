// "wininet.dll" as the program binds it: the exported functions by name.

#include "platform/kernel/ModuleRegistry.h"
#include "platform/wininet/WinInet.h"

#include <mutex>

namespace quilbex::wininet {

namespace {

template <typename F> win::FARPROC export_of(F* function) { return reinterpret_cast<win::FARPROC>(function); }

}  // namespace

void register_wininet() {
    static std::once_flag once;
    std::call_once(once, [] {
        kernel::register_builtin_library("wininet.dll", {
                                                            {"InternetOpenA", export_of(&InternetOpenA), 0},
                                                            {"InternetConnectA", export_of(&InternetConnectA), 0},
                                                            {"HttpOpenRequestA", export_of(&HttpOpenRequestA), 0},
                                                            {"InternetSetOptionA", export_of(&InternetSetOptionA), 0},
                                                            {"HttpSendRequestA", export_of(&HttpSendRequestA), 0},
                                                            {"InternetReadFile", export_of(&InternetReadFile), 0},
                                                            {"HttpQueryInfoA", export_of(&HttpQueryInfoA), 0},
                                                            {"InternetCloseHandle", export_of(&InternetCloseHandle), 0},
                                                        });
    });
}

}  // namespace quilbex::wininet
