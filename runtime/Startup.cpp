#include "runtime/Startup.h"

#include "platform/kernel/CodePage.h"
#include "platform/kernel/Paths.h"
#include "runtime/ErrorReport.h"
#include "runtime/Exit.h"
#include "runtime/Notifications.h"
#include "runtime/Ole.h"
#include "runtime/RuntimeApp.h"
#include "runtime/WindowHost.h"
#include "runtime_messages/RuntimeMessages.h"

#include <cfenv>
#include <unistd.h>

namespace quilbex::rt {
namespace {

std::uint32_t g_quit_code = 0;

void split_program_path(CRuntimeApp& app) {
    // The program works in GBK texts; the file layers turn them back, also
    // for a folder whose name GBK cannot hold.
    std::string path = kernel::executable_path();
    auto separator = path.rfind('/');
    if (separator == std::string::npos) {
        app.programDir.clear();
        app.programFile = kernel::utf8_to_gbk(path);
        return;
    }
    app.programDir = kernel::program_folder_text();
    app.programFile = kernel::utf8_to_gbk(path.substr(separator + 1));
    if (app.programDir.empty())
        app.programDir.assign(1, '/');
}

}  // namespace

void set_program_header(const ProgramHeader& header) { runtime_app().header = &header; }

void load_program_data() {
    auto& app = runtime_app();
    const ProgramHeader& header = *app.header;
    app.runMode = header.runMode;
    app.reservedA = header.reservedA;
    app.reservedB = header.reservedB + 1;
    if (!app.oleInitialized)
        app.oleInitialized = ole_initialize();
    split_program_path(app);
    if (::chdir(kernel::native_path(app.programDir).c_str()) != 0) {
        // The current folder stays as it was; files are still found through
        // the program folder, which every path the program builds starts with.
    }
    auto& host = window_host();
    host.create_hidden_owner();
    app.mainThreadId = std::this_thread::get_id();
    if (header.constLength != 0) {
        app.constStart = header.constStart;
        app.constEnd = header.constStart + header.constLength;
    }
    if (header.dllCommandCount > 0) {
        std::uint32_t n = header.dllCommandCount;
        app.dllLibraries.assign(header.dllLibraryNames, header.dllLibraryNames + n);
        app.dllFunctions.assign(header.dllFunctionNames, header.dllFunctionNames + n);
        app.dllModules.assign(n, nullptr);
        app.dllAddresses.assign(n, nullptr);
    }
    for (std::uint32_t i = 0; i < header.libraryCount; ++i) {
        const LibraryInfo* library = header.libraries[i];
        if (library && library->notify)
            library->notify(1, reinterpret_cast<std::uintptr_t>(&runtime_notify), 0);
    }
    app.libraries.assign(header.libraries, header.libraries + header.libraryCount);
    app.libraryValues.assign(header.libraryCount, 0);
    if (header.templateLength != 0 && !host.read_templates(header))
        report_runtime_error(messages::template_data_failed(), 0, 0, 0);
}

void load_startup_window(std::uint32_t window_id) {
    if (!window_host().load_startup_window(window_id))
        report_runtime_error(messages::startup_window_failed(), 0, window_id, 0);
}

void enter_message_loop() {
    auto& app = runtime_app();
    app.loopEntered = true;
    auto& host = window_host();
    if (!host.any_window_live())
        return;
    g_quit_code = host.run_message_loop();
}

std::int32_t run_application_entry(const ApplicationStartup& startup) {
    load_program_data();
    std::feclearexcept(FE_ALL_EXCEPT);
    std::fesetenv(FE_DFL_ENV);
    if (startup.initialise_globals)
        startup.initialise_globals();
    register_exit_callback(startup.exit_routine);
    if (startup.initialise_modules)
        startup.initialise_modules();
    load_startup_window(startup.startup_window);
    enter_message_loop();
    return 0;
}

int run_program(const ProgramHeader& header, ApplicationEntry entry) {
    auto& app = runtime_app();
    set_program_header(header);
    g_quit_code = 0;
    app.moduleDir = kernel::program_folder_text() + "/";
    entry();
    end_of_program(0);
    return static_cast<int>(g_quit_code);
}

}  // namespace quilbex::rt
