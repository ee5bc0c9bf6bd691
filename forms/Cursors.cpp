#include "forms/Cursors.h"

#include "platform/ui/Constants.h"
#include "platform/ui/Icon.h"

#include <algorithm>
#include <cstring>

namespace quilbex::forms {

const std::vector<std::uint32_t>& standard_cursor_list() {
    static const std::vector<std::uint32_t> kList = {0,
                                                     ui::IDC_ARROW,
                                                     ui::IDC_CROSS,
                                                     ui::IDC_IBEAM,
                                                     ui::IDC_WAIT,
                                                     ui::IDC_HELP,
                                                     ui::IDC_APPSTARTING,
                                                     ui::IDC_NO,
                                                     ui::IDC_SIZEALL,
                                                     ui::IDC_SIZENESW,
                                                     ui::IDC_SIZENS,
                                                     ui::IDC_SIZENWSE,
                                                     ui::IDC_SIZEWE,
                                                     ui::IDC_UPARROW,
                                                     ui::IDC_HAND};
    return kList;
}

namespace {

std::int32_t first_value(const std::vector<std::uint8_t>& data) {
    if (data.size() >= 4) {
        std::int32_t value;
        std::memcpy(&value, data.data(), 4);
        return value;
    }
    return data.empty() ? 0 : data[0];
}

ui::HCURSOR standard_cursor(std::uint32_t id) {
    return ui::LoadCursorA(nullptr, reinterpret_cast<ui::LPCSTR>(static_cast<std::uintptr_t>(id)));
}

}  // namespace

ui::HCURSOR load_mouse_pointer(const std::vector<std::uint8_t>& data) {
    if (data.empty())
        return nullptr;
    std::int32_t n = first_value(data);
    if (n != -1 && data.size() > 10) {
        if (ui::HCURSOR cursor = ui::CreateCursorFromCurData(data.data(), data.size()))
            return cursor;
    }
    const auto& list = standard_cursor_list();
    std::uint32_t id = static_cast<std::uint32_t>(n);
    if (n >= 0 && n < static_cast<std::int32_t>(list.size()))
        id = list[static_cast<std::size_t>(n)];
    if (id == 0)
        return nullptr;
    // The runtime's own hand cursor and the system's hand look the same here.
    if (std::find(list.begin(), list.end(), id) != list.end())
        return standard_cursor(id);
    if (n == -1 && data.size() >= 5)
        return ui::CreateCursorFromCurData(data.data() + 4, data.size() - 4);
    return nullptr;
}

void release_mouse_pointer(ui::HCURSOR cursor) {
    if (cursor)
        ui::DestroyCursor(cursor);
}

std::string mouse_pointer_for_reading(const std::vector<std::uint8_t>& data) {
    std::string copy(data.begin(), data.end());
    if (data.size() >= 4) {
        std::uint32_t value;
        std::memcpy(&value, data.data(), 4);
        const auto& list = standard_cursor_list();
        auto found = std::find(list.begin(), list.end(), value);
        if (found != list.end()) {
            auto position = static_cast<std::uint32_t>(found - list.begin());
            std::memcpy(copy.data(), &position, 4);
        }
    }
    return copy;
}

}  // namespace quilbex::forms
