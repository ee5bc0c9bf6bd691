#include "browser/BrowserUnit.h"

#include "browser/EngineBinding.h"
#include "browser_messages/BrowserMessages.h"
#include "forms/Dispatch.h"
#include "forms/FormsApi.h"
#include "platform/kernel/Thread.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace quilbex::browser {

namespace {

constexpr ui::DWORD kErrorClassAlreadyExists = 1410;

// Registers "NXwkeCtrl" once per process; on a failure other than "already
// registered" the user is told which class failed and why.
bool register_control_class() {
    ui::WNDCLASSA existing{};
    if (ui::GetClassInfoA(nullptr, BrowserUnit::kClassName, &existing))
        return true;
    ui::WNDCLASSA info{};
    info.style = ui::CS_VREDRAW | ui::CS_HREDRAW;
    info.lpfnWndProc = &forms::UnitBase::window_procedure;
    info.cbWndExtra = 16;
    info.lpszClassName = BrowserUnit::kClassName;
    if (ui::RegisterClassA(&info) != 0)
        return true;
    const ui::DWORD error = kernel::GetLastError();
    if (error == kErrorClassAlreadyExists)
        return true;
    std::vector<char> text(std::string(messages::class_failed_text()).size() + 64);
    std::snprintf(text.data(), text.size(), messages::class_failed_text(), BrowserUnit::kClassName,
                  static_cast<int>(error));
    ui::MessageBoxA(nullptr, text.data(), messages::class_failed_caption(), ui::MB_OK);
    return false;
}

}  // namespace

forms::UnitObject* BrowserUnit::create(const forms::UnitCreateArgs& args) {
    auto block = forms::read_browser_block({args.block, args.block_length});
    if (!block || !register_control_class())
        return nullptr;
    std::unique_ptr<BrowserUnit> unit(new BrowserUnit(args));
    ui::HWND hwnd = ui::CreateWindowExA(
        0, kClassName, "", args.extra_style | kStyle, args.left, args.top, args.width, args.height, args.parent,
        reinterpret_cast<ui::HMENU>(static_cast<std::uintptr_t>(args.control_id)), nullptr, unit.get());
    if (!hwnd)
        return nullptr;
    BrowserUnit* self = unit.get();
    unit->m_control = std::make_unique<BrowserControl>(
        std::move(block).value(), EngineBinding::process().functions(), program_folder(), args.design_mode != 0,
        [self](std::int32_t event, const std::vector<rt::ArgRecord>& event_args) {
            return self->raise_typed(event, event_args);
        });
    // The engine is prepared before every view; without it there is no control.
    if (!EngineBinding::process().prepare() || !unit->m_control->create_view(hwnd, args.width, args.height))
        ui::DestroyWindow(hwnd);
    return forms::finish_creation(std::move(unit));
}

BrowserUnit* BrowserUnit::find(std::uint32_t window_id, std::uint32_t unit_id) {
    forms::LoadedWindow* window = forms::find_loaded_window(window_id);
    if (!window)
        return nullptr;
    const int index = window->unit_index(unit_id);
    if (index < 0)
        return nullptr;
    return dynamic_cast<BrowserUnit*>(window->object(static_cast<std::size_t>(index)));
}

ui::LRESULT BrowserUnit::handle_message(ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam) {
    switch (message) {
    case ui::WM_SIZE:
        if (m_control)
            m_control->resize(static_cast<int>(lparam & 0xFFFF), static_cast<int>((lparam >> 16) & 0xFFFF));
        return 0;
    case ui::WM_DESTROY: return 0;
    default: return UnitBase::handle_message(message, wparam, lparam);
    }
}

std::optional<std::int64_t> BrowserUnit::raise_typed(std::int32_t event, const std::vector<rt::ArgRecord>& args) {
    forms::TypedCallRecord record{};
    record.window_id = window_id();
    record.unit_id = unit_id();
    record.event = event;
    record.argc = static_cast<std::uint32_t>(std::min<std::size_t>(args.size(), 12));
    for (std::uint32_t i = 0; i < record.argc; ++i) {
        const rt::ArgRecord& arg = args[i];
        // Pointers and 64-bit values travel in both halves.
        const bool wide = arg.type == rt::kTypeText || arg.type == rt::kTypeLong;
        record.args[i] = {arg.low, arg.high, arg.type, wide ? 2u : 0u};
    }
    forms::raise_event_typed(record);
    if (!record.has_result)
        return std::nullopt;
    return record.result;
}

}  // namespace quilbex::browser
