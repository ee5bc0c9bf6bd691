#include "forms/template/WindowTemplate.h"

#include <algorithm>
#include <utility>

namespace quilbex::forms {

std::uint32_t UnitRecord::handler_for(std::int32_t event) const {
    for (const auto& entry : handlers)
        if (entry.event == event)
            return entry.handler;
    return kNoHandler;
}

const UnitRecord* WindowTemplate::find_unit(std::uint32_t unit_id) const {
    auto it = std::find_if(units.begin(), units.end(), [&](const UnitRecord& u) { return u.id == unit_id; });
    return it == units.end() ? nullptr : &*it;
}

UnitRecord* WindowTemplate::find_unit(std::uint32_t unit_id) {
    return const_cast<UnitRecord*>(std::as_const(*this).find_unit(unit_id));
}

const UnitRecord* WindowTemplate::find_unit_by_name(const std::string& gbk_name) const {
    auto it = std::find_if(units.begin(), units.end(), [&](const UnitRecord& u) { return u.name == gbk_name; });
    return it == units.end() ? nullptr : &*it;
}

const WindowTemplate* TemplateData::find_window(std::uint32_t window_id) const {
    auto it = std::find_if(windows.begin(), windows.end(), [&](const WindowTemplate& w) { return w.id == window_id; });
    return it == windows.end() ? nullptr : &*it;
}

WindowTemplate* TemplateData::find_window(std::uint32_t window_id) {
    return const_cast<WindowTemplate*>(std::as_const(*this).find_window(window_id));
}

}  // namespace quilbex::forms
