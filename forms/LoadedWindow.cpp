#include "forms/LoadedWindow.h"

#include "forms/FormsState.h"
#include "platform/ui/User32.h"

namespace quilbex::forms {

int LoadedWindow::unit_index(std::uint32_t unit_id) const {
    const auto& units = working.units;
    if (!units.empty() && units[0].id == unit_id)
        return 0;
    for (std::size_t i = 1; i < units.size(); ++i)
        if (units[i].id == unit_id)
            return static_cast<int>(i);
    return -1;
}

ui::HWND LoadedWindow::hwnd() const {
    UnitObject* object = window_object();
    return object ? object->hwnd() : nullptr;
}

bool LoadedWindow::unit_live(std::size_t index) const {
    UnitObject* unit = object(index);
    return unit && unit->hwnd() && ui::IsWindow(unit->hwnd());
}

void WindowList::assign(TemplateData templates) {
    m_windows.clear();
    m_windows.reserve(templates.windows.size());
    for (auto& window : templates.windows) {
        LoadedWindow loaded;
        loaded.working = std::move(window);
        loaded.objects.resize(loaded.working.units.size());
        loaded.cursors.resize(loaded.working.units.size(), nullptr);
        m_windows.push_back(std::move(loaded));
    }
}

LoadedWindow* WindowList::find(std::uint32_t window_id) {
    if (!m_windows.empty() && m_windows[0].id() == window_id)
        return &m_windows[0];
    for (auto& window : m_windows)
        if (window.id() == window_id)
            return &window;
    return nullptr;
}

FormsState& forms_state() {
    static FormsState state;
    return state;
}

}  // namespace quilbex::forms
