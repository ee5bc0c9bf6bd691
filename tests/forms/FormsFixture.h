#pragma once
// A small program for forms tests: library 1 with test unit types (a form
// window, a plain control that raises events, an edit box over the window
// system's EDIT control, and a type that cannot be created), template data
// built in code, a routine table of recording handlers, and the headless
// window system.

#include "forms/FormsApi.h"
#include "forms/FormsHost.h"
#include "forms/FormsState.h"
#include "forms/UnitInterface.h"
#include "forms/template/TemplateWriter.h"
#include "platform/ui/User32.h"
#include "platform/ui/WindowSystem.h"
#include "platform/ui/headless/HeadlessBackend.h"
#include "runtime/Notifications.h"
#include "runtime/ProgramImage.h"
#include "runtime/RuntimeApp.h"
#include "runtime/Startup.h"
#include "runtime/WindowHost.h"

#include <string>
#include <vector>

namespace quilbex::testing {

inline constexpr std::uint32_t kMainWindow = 0x52010001;
inline constexpr std::uint32_t kDialog = 0x52010002;
inline constexpr std::uint32_t kFormType = 0x00010001;
inline constexpr std::uint32_t kBrokenType = 0x00010002;  // no creation routine
inline constexpr std::uint32_t kPlainType = 0x00010004;  // 3 is the menu item type
inline constexpr std::uint32_t kEditType = 0x00010005;

// Handlers record what ran; the routine table holds them in this order.
// kOnNested raises the main window's move event (3) inside itself, then records.
enum HandlerIndex : std::uint32_t { kOnCreated, kOnClick, kOnOther, kOnMove, kOnSize, kOnNested, kHandlerCount };

struct FormsFixtureState {
    std::vector<std::string> events;
    std::vector<std::uint32_t> created_control_ids;  // in creation order
};
FormsFixtureState& fixture_state();

// A unit record of the test templates.
forms::UnitRecord unit(std::uint32_t id, std::uint32_t type, int left, int top, int width, int height,
                       std::uint32_t flags = forms::kUnitVisible);

class FormsProgram {
public:
    FormsProgram();
    ~FormsProgram();

    // Adds a window (its own record first) to the templates.
    forms::WindowTemplate& add_window(std::uint32_t id);
    // Serializes the templates, builds the image and loads it (system help 6).
    void load();

    ui::HeadlessBackend& backend() { return *m_backend; }
    forms::LoadedWindow& window(std::uint32_t id) { return *forms::find_loaded_window(id); }
    ui::HWND hwnd_of(std::uint32_t window_id, std::uint32_t unit_id);

    forms::TemplateData templates;
    rt::ProgramHeader header{};

private:
    std::vector<std::uint8_t> m_template_bytes;
    rt::LibraryInfo m_library;
    const rt::LibraryInfo* m_libraries[1] = {&m_library};
    ui::HeadlessBackend* m_backend = nullptr;
};

}  // namespace quilbex::testing
