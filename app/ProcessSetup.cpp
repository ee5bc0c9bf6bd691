// The program's entry routine and the set-up that comes before it: the
// built-in system libraries, the network configuration and the window system.

#include "app/Handlers.h"
#include "app/daily/CommandLine.h"
#include "app/net/NetConfig.h"
#include "browser/EngineBinding.h"
#include "browser/Shlwapi.h"
#include "forms/FormsHost.h"
#include "platform/ado/Stream.h"
#include "platform/com/Ole32Library.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/Kernel32.h"
#include "platform/kernel/Paths.h"
#include "platform/script/ScriptControl.h"
#include "platform/ui/WindowSystem.h"
#include "platform/wininet/WinInet.h"
#include "runtime/ProcessEntry.h"
#include "runtime/RuntimeApp.h"
#include "runtime/Startup.h"
#include "runtime/WindowHost.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace quilbex::app {

inline constexpr std::uint32_t kStartupWindow = 0x52010001;

namespace {

// The built-in system libraries and the network configuration, which the
// windows and the command line both need.
void prepare_libraries() {
    kernel::register_kernel32();
    wininet::register_wininet();
    com::register_ole32_library();
    script::register_script_control_class();
    ado::register_stream_class();
    browser::register_shlwapi();

    std::string folder = kernel::executable_directory();
    install_net_config(read_net_config(config_file_path(folder), folder));
    // The login window's browser trusts the configured services as the HTTP client does.
    const NetConfig& config = net_config();
    browser::set_engine_trust(config.ca_file, {config.hosts.forum, config.hosts.api, config.hosts.quote,
                                               config.hosts.account});
}

// The runtime without windows: the program data with its DLL command tables
// and libraries, but no window templates and no window host.
void prepare_windowless_runtime() {
    prepare_libraries();
    static rt::ProgramHeader header = program_header();
    header.templateLength = 0;
    rt::set_window_host(nullptr);
    rt::runtime_app().moduleDir = kernel::utf8_to_gbk(kernel::executable_directory()) + "/";
    rt::set_program_header(header);
    rt::load_program_data();
}

}  // namespace

void prepare_process() {
    prepare_libraries();

    if (!ui::WindowSystem::use_gtk()) {
        std::fprintf(stderr, "quilbex: no display could be opened; set DISPLAY or run it under xvfb-run.\n");
        std::exit(1);
    }
    quilbex::forms::install_forms_host();
}

int run_command_line(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return run_daily_command(args, prepare_windowless_runtime);
}

std::int32_t application_entry() {
    rt::ApplicationStartup startup;
    startup.exit_routine = release_globals;
    startup.startup_window = kStartupWindow;
    return rt::run_application_entry(startup);
}

}  // namespace quilbex::app
