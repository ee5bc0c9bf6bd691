// The program's entry routine and the set-up that comes before it: the
// built-in system libraries, the network configuration and the window system.

#include "app/Handlers.h"
#include "app/LoginMode.h"
#include "app/cli/CommandLine.h"
#include "app/cli/DailyCommands.h"
#include "app/cli/StandardStreams.h"
#include "app/net/FirstStart.h"
#include "app/net/NetConfig.h"
#include "app/windows/SetupConfig.h"
#include "app_templates/WindowTemplates.h"
#include "browser/EngineBinding.h"
#include "browser/Shlwapi.h"
#include "forms/FormsHost.h"
#include "forms/blocks/WindowBlock.h"
#include "forms/template/TemplateReader.h"
#include "platform/ado/Stream.h"
#include "platform/com/Ole32Library.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/Kernel32.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Paths.h"
#include "platform/kernel/WorkingFolderName.h"
#include "platform/kernel/WorkingFolders.h"
#include "platform/script/ScriptControl.h"
#include "platform/ui/Constants.h"
#include "platform/ui/GtkModule.h"
#include "platform/ui/User32.h"
#include "platform/ui/WindowSystem.h"
#include "platform/wininet/WinInet.h"
#include "runtime/DefaultIcon.h"
#include "runtime/Exit.h"
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

// The window the program starts with: the main window, or the set-up window
// (asked for with --setup, or an installed copy's settings name no forum).
std::uint32_t g_startup_window = kStartupWindow;

// The program's icon resource is the image its main window shows.
void register_default_icon() {
    auto templates = quilbex::forms::read_templates({forms::kTemplateData, forms::kTemplateDataSize});
    if (!templates)
        return;  // the runtime reports unreadable templates when it loads them
    const quilbex::forms::WindowTemplate* main = templates.value().find_window(kStartupWindow);
    if (!main || main->units.empty())
        return;
    if (auto block = quilbex::forms::read_window_block(main->units.front().property_block))
        rt::set_default_icon(block.value().icon);
}

// The built-in system libraries and the network configuration, which the
// windows and the command line both need. Returns the settings file read.
std::string prepare_libraries() {
    kernel::register_kernel32();
    wininet::register_wininet();
    com::register_ole32_library();
    script::register_script_control_class();
    ado::register_stream_class();
    browser::register_shlwapi();
    browser::prepare_engine_environment();
    // The folders a run writes into; one that cannot be made shows up as the
    // file that cannot be written.
    const kernel::MemberFolders& folders = kernel::member_folders();
    kernel::make_member_folders(folders);
    // The login window's browser works in the member's cache folder, where
    // the folders of programs that ended without removing theirs are cleared.
    kernel::remove_abandoned_working_folders(folders.cache_folder);
    kernel::remove_abandoned_temporary_working_folders(kernel::temporary_folder());
    kernel::place_engine_working_folder(folders.cache_folder);

    apply_service_settings();
    return net_config().settings_file;
}

// The runtime without windows: the program data with its DLL command tables
// and libraries, but no window templates and no window host.
void prepare_windowless_runtime() {
    const std::string config_file = prepare_libraries();
    // A configuration that cannot be used (only some hosts named, a value its
    // key does not take, no hosts in an installed copy) is refused before
    // anything is sent.
    if (std::string problem = configuration_problem(net_config(), config_file); !problem.empty()) {
        std::fprintf(stderr, "quilbex: %s: %s\n", "配置错误", kernel::gbk_to_utf8(problem).c_str());
        std::exit(1);
    }
    static rt::ProgramHeader header = program_header();
    header.templateLength = 0;
    rt::set_window_host(nullptr);
    rt::runtime_app().moduleDir = kernel::program_folder_text() + "/";
    rt::set_program_header(header);
    rt::load_program_data();
}

}  // namespace

void prepare_process() {
    const std::string config_file = prepare_libraries();
    const NetConfig& config = net_config();
    // An installed copy whose settings name no forum has nothing to connect
    // to; its member fills in the set-up window instead of editing the file.
    if (needs_setup(config))
        g_startup_window = setup_window_id();

    if (!ui::WindowSystem::use_gtk()) {
        std::string missing = ui::gtk_module_error();
        // The window's libraries come in a package of their own; the command
        // line works without them.
        if (!missing.empty())
            std::fprintf(stderr,
                         "quilbex: %s.\nquilbex: 窗口由软件包 quilbex 提供，请安装它（sudo apt install quilbex）；"
                         "不开窗口的命令（--sign-in、--install-daily 等）不需要它。\n"
                         "quilbex: the window is provided by the package quilbex; install it, or put the file back "
                         "beside the program.\n",
                         missing.c_str());
        else
            std::fprintf(stderr, "quilbex: no display could be opened; set DISPLAY or run it under xvfb-run.\n");
        std::exit(1);
    }
    // A configuration that names only some hosts would send the others'
    // requests to the local defaults, one with a value its key does not take
    // would send them astray, and an installed copy has no local services:
    // say which keys are wrong and end before anything is sent. The set-up
    // window is where such a file is put right, so it opens regardless.
    std::string problem = g_startup_window == kStartupWindow ? configuration_problem(config, config_file) : "";
    if (!problem.empty()) {
        ui::MessageBoxA(nullptr, problem.c_str(), kernel::utf8_to_gbk("配置错误").c_str(),
                        ui::MB_OK | ui::MB_ICONERROR);
        std::exit(1);
    }
    quilbex::forms::install_forms_host();
    register_default_icon();
}

std::optional<int> run_command_line(int argc, char** argv) {
    auto parsed = parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed)
        return usage_error(parsed.reason());
    // Where the member's files live is decided here, once, for the windows and every command.
    const std::string program = kernel::executable_directory();
    kernel::set_member_folders(
        kernel::decide_member_folders(program, parsed->profile, kernel::current_folder_environment(program)));
    if (parsed->mode == Mode::setup)
        g_startup_window = setup_window_id();
    if (parsed->mode == Mode::window || parsed->mode == Mode::setup)
        return std::nullopt;
    keep_standard_streams_harmless();
    if (parsed->mode == Mode::login) {
        // A window mode: it ends as the windows end, without returning into
        // static destructors that would pull the engine away under its threads.
        rt::exit_process(static_cast<std::uint32_t>(run_login_mode(parsed->sign_in)));
    }
    return run_daily_command(*parsed, prepare_windowless_runtime);
}

std::int32_t application_entry() {
    rt::ApplicationStartup startup;
    startup.exit_routine = release_globals;
    startup.startup_window = g_startup_window;
    return rt::run_application_entry(startup);
}

}  // namespace quilbex::app
