// current_time and delay.

#include "commands/Arguments.h"
#include "commands/numbers/NumberCommands.h"
#include "commands/numbers/OleDate.h"
#include "platform/kernel/Thread.h"

#include <ctime>

namespace quilbex::commands::lib {

void current_time(rt::ArgRecord* result, int, rt::ArgRecord*) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    DateParts parts{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,     local.tm_sec > 59 ? 59 : local.tm_sec};
    set_double(result, make_ole_date(parts), rt::kTypeDateTime);
}

void delay(rt::ArgRecord*, int argc, rt::ArgRecord* args) {
    std::int32_t ms = int_of(argument(argc, args, 0));
    kernel::Sleep(ms < 0 ? 0 : static_cast<win::DWORD>(ms));
}

}  // namespace quilbex::commands::lib
