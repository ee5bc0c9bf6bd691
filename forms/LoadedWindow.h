#pragma once
// A window of the program's window list: its template (the working unit list,
// which receives object slots and run-time changes), the copy saved when it was
// loaded (put back when it is destroyed, so a window loaded again starts from
// its template), and its state while it is loaded.

#include "forms/UnitInterface.h"
#include "forms/template/WindowTemplate.h"

#include <memory>
#include <utility>
#include <vector>

namespace quilbex::forms {

struct LoadedWindow {
    WindowTemplate working;
    WindowTemplate saved;
    bool has_saved = false;

    // Parallel to working.units: the unit's framework object (its object slot)
    // and the mouse pointer loaded for it (its cursor slot).
    std::vector<std::unique_ptr<UnitObject>> objects;
    std::vector<ui::HCURSOR> cursors;

    bool modal = false;
    bool loaded = false;
    bool closing = false;
    bool not_yet_shown = false;
    std::vector<std::pair<ui::HWND, bool>> disabled_by_modal;  // (window, was enabled)

    std::uint32_t id() const { return working.id; }

    // The index of a unit in the working list, or -1.
    int unit_index(std::uint32_t unit_id) const;

    UnitObject* object(std::size_t index) const { return index < objects.size() ? objects[index].get() : nullptr; }
    UnitObject* window_object() const { return object(0); }

    // The window's own window handle, null when not created.
    ui::HWND hwnd() const;

    // Whether the unit's object holds a live window.
    bool unit_live(std::size_t index) const;
};

// The program's window list, read from the template data at start-up. Windows
// are created and destroyed on the main thread only.
class WindowList {
public:
    void assign(TemplateData templates);

    LoadedWindow* find(std::uint32_t window_id);
    std::vector<LoadedWindow>& windows() { return m_windows; }
    std::size_t size() const { return m_windows.size(); }
    void clear() { m_windows.clear(); }

private:
    std::vector<LoadedWindow> m_windows;
};

}  // namespace quilbex::forms
