#include "runtime/EntryPoints.h"

#include "runtime/CallFrame.h"
#include "runtime/DllBinding.h"
#include "runtime/ErrorReport.h"
#include "runtime/Exit.h"
#include "runtime/Memory.h"
#include "runtime/Startup.h"
#include "runtime/SystemHelp.h"
#include "runtime/WindowHost.h"
#include "runtime_messages/RuntimeMessages.h"

namespace quilbex::rt {
namespace {

std::uint64_t read_property(std::uint32_t w, std::uint32_t u, std::int32_t index, std::int32_t element) {
    return window_host().read_property(w, u, index, element);
}

void write_property(std::uint32_t w, std::uint32_t u, std::int32_t index, std::int32_t element, std::uint64_t value) {
    window_host().write_property(w, u, index, element, value);
}

[[noreturn]] void external_package_routine() {
    report_runtime_error(messages::external_package_unavailable(), 0, 0, 0);
}

}  // namespace

const EntryPoints& entry_points() {
    static const EntryPoints kEntryPoints = {
        report_application_error,
        resolve_dll_command,
        call_library_command,
        call_core_command,
        read_property,
        write_property,
        allocate,
        resize,
        release,
        exit_process,
        enter_message_loop,
        load_startup_window,
        system_help,
        external_package_routine,
    };
    return kEntryPoints;
}

}  // namespace quilbex::rt
