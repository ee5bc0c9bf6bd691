#include "app/flows/MainWindowAccess.h"

#include "forms/PropertyAccess.h"
#include "forms/WindowCommands.h"
#include "platform/ui/WindowSystem.h"
#include "runtime/ArgRecord.h"
#include "runtime/CallFrame.h"

#include <atomic>
#include <cstdint>

namespace quilbex::app {

namespace {

constexpr std::int32_t kContentProperty = 8;

rt::ArgRecord control(std::uint32_t unit) {
    return rt::ArgRecord::of_unit(kMainWindowId, unit, rt::kTypeWindowReference);
}

class ProgramWindowAccess final : public MainWindowAccess {
public:
    bool display_exists() override {
        rt::ArgRecord args[] = {control(kDisplayBoxId)};
        return rt::call_core_command(forms::lib::component_exists, 1, args).as_int() != 0;
    }
    // The lottery checks that the box exists before it appends. Both steps
    // run in one call on the window thread, so a window that closes between
    // them cannot turn the append into a runtime error at the program's end.
    void append_to_display(const char* text) override {
        rt::ArgRecord args[] = {control(kDisplayBoxId), rt::ArgRecord::of_pointer(text ? text : "", rt::kTypeText)};
        ui::WindowSystem::the().call_on_window_thread([&] {
            if (display_exists())
                rt::call_core_command(forms::lib::append_edit_text, 2, args);
        });
    }
    // The quote arrives whenever its reply does, possibly after the main
    // window has closed: the write happens only while the box is loaded,
    // checked in the same window-thread call as the append above.
    void set_message_text(const char* text) override {
        auto value = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(text ? text : ""));
        rt::ArgRecord args[] = {control(kMessageBoxId)};
        ui::WindowSystem::the().call_on_window_thread([&] {
            if (rt::call_core_command(forms::lib::component_exists, 1, args).as_int() != 0)
                forms::write_unit_property(kMainWindowId, kMessageBoxId, kContentProperty, 0, value);
        });
    }
};

std::atomic<MainWindowAccess*> g_override{nullptr};

}  // namespace

MainWindowAccess& main_window_access() {
    static ProgramWindowAccess program;
    MainWindowAccess* override_access = g_override.load();
    return override_access ? *override_access : program;
}

void set_main_window_access(MainWindowAccess* access) { g_override.store(access); }

}  // namespace quilbex::app
