#include "forms/units/TimerUnit.h"

#include "forms/FormsApi.h"
#include "forms/units/UnitTypes.h"

namespace quilbex::forms {
namespace {

bool register_timer_class() {
    ui::WNDCLASSA existing{};
    if (ui::GetClassInfoA(nullptr, TimerUnit::kClassName, &existing))
        return true;
    ui::WNDCLASSA info{};
    info.style = ui::CS_DBLCLKS;
    info.lpfnWndProc = &UnitBase::window_procedure;
    info.hCursor = ui::LoadCursorA(nullptr, reinterpret_cast<ui::LPCSTR>(static_cast<std::uintptr_t>(ui::IDC_ARROW)));
    info.hbrBackground = static_cast<ui::HBRUSH>(ui::GetStockObject(ui::NULL_BRUSH));
    info.lpszClassName = TimerUnit::kClassName;
    return ui::RegisterClassA(&info) != 0;
}

TimerUnit* timer(UnitObject* unit) { return static_cast<TimerUnit*>(unit); }

void property_changed(UnitObject* unit, int number, const PropertyValue& value) {
    if (number == 0)
        timer(unit)->set_interval(static_cast<std::int32_t>(value.number));
}

PropertyValue read_property(UnitObject* unit, int number) {
    if (number == 0)
        return PropertyValue::of_number(static_cast<std::uint32_t>(timer(unit)->interval()));
    return {};
}

std::vector<std::uint8_t> all_properties(UnitObject* unit) {
    auto written = write_timer_block(timer(unit)->block());
    return written ? std::move(written.value()) : std::vector<std::uint8_t>{};
}

}  // namespace

TimerUnit::TimerUnit(const UnitCreateArgs& args, TimerBlock block)
    : UnitBase(args.window_id, args.unit_id), m_block(block), m_design_mode(args.design_mode) {}

UnitObject* TimerUnit::create(const UnitCreateArgs& args) {
    auto block = read_timer_block({args.block, args.block_length});
    if (!block || !register_timer_class())
        return nullptr;
    std::unique_ptr<TimerUnit> unit(new TimerUnit(args, block.value()));
    ui::CreateWindowExA(0, kClassName, nullptr, args.extra_style | ui::WS_CHILD | ui::WS_CLIPSIBLINGS, args.left,
                        args.top, args.width, args.height, args.parent,
                        reinterpret_cast<ui::HMENU>(static_cast<std::uintptr_t>(args.control_id)), nullptr, unit.get());
    return finish_creation(std::move(unit));
}

void TimerUnit::start() {
    if (m_block.interval > 0 && ui::SetTimer(m_hwnd, kTimerId, static_cast<ui::UINT>(m_block.interval), nullptr))
        m_running = true;
}

void TimerUnit::stop() {
    if (m_running)
        ui::KillTimer(m_hwnd, kTimerId);
    m_running = false;
}

void TimerUnit::set_interval(std::int64_t value) {
    std::int32_t interval = value < 0 ? 0 : static_cast<std::int32_t>(value);
    if (interval == m_block.interval)
        return;
    m_block.interval = interval;
    stop();
    start();
}

ui::LRESULT TimerUnit::handle_message(ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam) {
    switch (message) {
    case ui::WM_CREATE: {
        ui::LRESULT result = default_handling(message, wparam, lparam);
        start();
        return result;
    }
    case ui::WM_TIMER: {
        ui::LRESULT result = default_handling(message, wparam, lparam);
        if (wparam == kTimerId)
            raise(0);
        return result;
    }
    case ui::WM_DESTROY: stop(); return default_handling(message, wparam, lparam);
    default: return default_handling(message, wparam, lparam);
    }
}

rt::UnitInterfaceRoutine timer_unit_interface(std::uint32_t number) {
    switch (number) {
    case kInterfaceCreate: return reinterpret_cast<rt::UnitInterfaceRoutine>(&TimerUnit::create);
    case kInterfacePropertyChanged: return reinterpret_cast<rt::UnitInterfaceRoutine>(&property_changed);
    case kInterfaceAllProperties: return reinterpret_cast<rt::UnitInterfaceRoutine>(&all_properties);
    case kInterfaceReadProperty: return reinterpret_cast<rt::UnitInterfaceRoutine>(&read_property);
    default: return nullptr;
    }
}

}  // namespace quilbex::forms
