// The program image of the sign-in tool: the header the runtime reads at
// start-up, its three libraries, the DLL commands it binds by name and the
// routine table its window templates refer to.

#include "app/Handlers.h"
#include "app_constants/AppConstants.h"
#include "app_templates/WindowTemplates.h"
#include "browser/BrowserLibrary.h"
#include "commands/CoreLibrary.h"
#include "commands/com/ComLibrary.h"
#include "forms/WindowCommands.h"
#include "forms/units/CoreUnitTypes.h"
#include "runtime/ProcessEntry.h"

#include <array>
#include <vector>

namespace quilbex::app {
namespace {

using forms::Routine;

// In the order of the templates' routine table (app_templates' Routine).
constexpr std::array<rt::ApplicationRoutine, quilbex::app::forms::kRoutineCount> kRoutines = {
    main_window_created, clock_tick,           quote_button_click, login_button_click,   save_button_click,
    sign_button_click,   login_window_created, login_clock_tick,   capture_button_click, setup_window_created,
    setup_more_click,    setup_daily_click,    setup_test_click,   setup_save_click,     setup_cancel_click,
};
static_assert(static_cast<std::size_t>(Routine::setup_cancel_click) == kRoutines.size() - 1);

// DLL commands, by index: library file and exported name.
constexpr std::array<const char*, 16> kDllLibraries = {"wininet.dll",  "wininet.dll",  "wininet.dll",  "wininet.dll",
                                                       "Wininet.dll",  "wininet.dll",  "wininet.dll",  "wininet.dll",
                                                       "ole32.dll",    "ole32.dll",    "kernel32.dll", "Kernel32.dll",
                                                       "SkinH_QV.dll", "SkinH_QV.dll", "Kernel32.dll", "kernel32.dll"};
constexpr std::array<const char*, 16> kDllFunctions = {
    "InternetOpenA",      "InternetConnectA", "InternetCloseHandle", "HttpOpenRequestA",
    "InternetSetOptionA", "HttpSendRequestA", "InternetReadFile",    "HttpQueryInfoA",
    "CoInitialize",       "CoUninitialize",   "GetExitCodeThread",   "TerminateThread",
    "SkinH_Attach",       "SkinH_AttachRes",  "MultiByteToWideChar", "WideCharToMultiByte"};

// The core library's commands: text, numbers, files and settings, then the
// window commands, then the COM commands.
const std::vector<rt::CommandRoutine>& core_routines() {
    static const std::vector<rt::CommandRoutine> kRoutineTable = [] {
        std::vector<rt::CommandRoutine> table;
        for (auto routine : commands::core_command_routines())
            table.push_back(routine);
        for (auto routine :
             {quilbex::forms::lib::message_box, quilbex::forms::lib::load_window, quilbex::forms::lib::close_window,
              quilbex::forms::lib::component_exists, quilbex::forms::lib::append_edit_text})
            table.push_back(routine);
        for (auto routine : commands::com_command_routines())
            table.push_back(routine);
        return table;
    }();
    return kRoutineTable;
}

rt::LibraryInfo make_core_library() {
    rt::LibraryInfo info;
    info.identifier = "{6F1C2A9E-3B47-4D8A-9C15-2E7B8F0A4D63}";
    info.majorVersion = 1;
    info.displayName = constants::core_library_name();
    info.dataTypeCount = quilbex::forms::core_unit_type_count();
    info.dataTypes = quilbex::forms::core_unit_types();
    info.commandCount = static_cast<std::uint32_t>(core_routines().size());
    info.commands = core_routines().data();
    return info;
}

rt::LibraryInfo make_thread_library() {
    rt::LibraryInfo info;
    info.identifier = "{A83D51F2-7C09-4E6B-B2D4-91F05C3E8A17}";
    info.majorVersion = 1;
    info.displayName = constants::thread_library_name();
    info.commandCount = static_cast<std::uint32_t>(commands::thread_command_routines().size());
    info.commands = commands::thread_command_routines().data();
    info.notify = commands::thread_library_notification();
    return info;
}

}  // namespace

const rt::ProgramHeader& program_header() {
    static const rt::LibraryInfo kCore = make_core_library();
    static const rt::LibraryInfo kThreads = make_thread_library();
    static const std::array<const rt::LibraryInfo*, 3> kLibraries = {&kCore, &kThreads, browser::browser_library()};
    static const rt::ProgramHeader kHeader = {
        .runMode = 3,
        .reservedA = 0,
        .reservedB = 112963,
        .handlerBase = kRoutines.data(),
        .constStart = constants::kRegion,
        .constLength = static_cast<std::uint32_t>(constants::kRegionSize),
        .templateStart = forms::kTemplateData,
        .templateLength = static_cast<std::uint32_t>(forms::kTemplateDataSize),
        .libraryCount = static_cast<std::uint32_t>(kLibraries.size()),
        .libraries = kLibraries.data(),
        .dllCommandCount = static_cast<std::uint32_t>(kDllLibraries.size()),
        .dllLibraryNames = kDllLibraries.data(),
        .dllFunctionNames = kDllFunctions.data(),
        .handlerCount = static_cast<std::uint32_t>(kRoutines.size()),
    };
    return kHeader;
}

}  // namespace quilbex::app
