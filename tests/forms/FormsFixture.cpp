#include "FormsFixture.h"

#include "forms/Dispatch.h"
#include "forms/WindowCommands.h"

#include <array>

namespace quilbex::testing {
namespace {

using namespace quilbex::forms;

constexpr ui::UINT kMessageProbe = ui::WM_USER + 1;

rt::HandlerResult record(const char* name, const rt::HandlerCall&) {
    std::uint32_t source[2] = {};
    rt::runtime_notify(2017, reinterpret_cast<std::uintptr_t>(source), 0);
    fixture_state().events.push_back(std::string(name) + "@" + std::to_string(source[1] & 0xFFFF));
    return {};
}

rt::HandlerResult on_created(const rt::HandlerCall& call) { return record("created", call); }
rt::HandlerResult on_click(const rt::HandlerCall& call) { return record("click", call); }
// Records, then asks the main window to probe the state from inside whatever
// loop runs next (a modal window's loop, for instance).
rt::HandlerResult on_other(const rt::HandlerCall& call) {
    record("other", call);
    if (LoadedWindow* main = find_loaded_window(kMainWindow); main && main->hwnd())
        ui::PostMessageA(main->hwnd(), kMessageProbe, 0, 0);
    return {};
}
rt::HandlerResult on_move(const rt::HandlerCall& call) { return record("move", call); }
rt::HandlerResult on_size(const rt::HandlerCall& call) { return record("size", call); }

rt::HandlerResult on_nested(const rt::HandlerCall& call) {
    EventRecord inner{};
    inner.window_id = kMainWindow;
    inner.event = 3;
    rt::runtime_notify(2008, reinterpret_cast<std::uintptr_t>(&inner), 0);
    return record("nested", call);
}

const rt::ApplicationRoutine kRoutines[kHandlerCount] = {on_created, on_click, on_other, on_move, on_size, on_nested};

// --- the form window type ---

class FormObject final : public UnitObject {
public:
    FormObject(const UnitCreateArgs& args) : UnitObject(args.window_id, args.unit_id) {}
    void attach(ui::HWND hwnd) { m_hwnd = hwnd; }
};

ui::LRESULT form_procedure(ui::HWND hwnd, ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam) {
    auto* object = reinterpret_cast<FormObject*>(ui::GetWindowLongPtrA(hwnd, ui::GWLP_USERDATA));
    switch (message) {
    case ui::WM_CLOSE:
    case kMessageCloseWindow: ui::DestroyWindow(hwnd); return 0;
    case kMessageProbe: {
        fixture_state().events.push_back(std::string("probe: main enabled=") +
                                         (ui::IsWindowEnabled(hwnd) ? "yes" : "no"));
        if (LoadedWindow* dialog = find_loaded_window(kDialog); dialog && dialog->hwnd())
            ui::PostMessageA(dialog->hwnd(), ui::WM_CLOSE, 0, 0);
        return 0;
    }
    case ui::WM_NCDESTROY:
        if (object)
            unit_destroyed(object->window_id(), object->unit_id());
        return 0;
    default: return ui::DefWindowProcA(hwnd, message, wparam, lparam);
    }
}

UnitObject* create_form(const UnitCreateArgs& args) {
    auto object = std::make_unique<FormObject>(args);
    ui::HWND owner = args.parent;
    if (!owner && args.modal)
        owner = hidden_owner();
    ui::HWND hwnd = ui::CreateWindowExA(0, "QuilbexTestForm", "form", ui::WS_OVERLAPPEDWINDOW | args.extra_style,
                                        args.left, args.top, args.width, args.height, owner, nullptr, nullptr, nullptr);
    if (!hwnd)
        return nullptr;
    object->attach(hwnd);
    ui::SetWindowLongPtrA(hwnd, ui::GWLP_USERDATA, reinterpret_cast<ui::LONG_PTR>(object.get()));
    return object.release();
}

// --- a plain control raising event 0 on a click ---

class PlainObject final : public UnitObject {
public:
    PlainObject(const UnitCreateArgs& args) : UnitObject(args.window_id, args.unit_id) {}
    void attach(ui::HWND hwnd) { m_hwnd = hwnd; }
    std::uint32_t value = 0;
};

ui::LRESULT plain_procedure(ui::HWND hwnd, ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam) {
    auto* object = reinterpret_cast<PlainObject*>(ui::GetWindowLongPtrA(hwnd, ui::GWLP_USERDATA));
    if (message == ui::WM_LBUTTONUP && object)
        raise_event(object->window_id(), object->unit_id(), 0);
    return ui::DefWindowProcA(hwnd, message, wparam, lparam);
}

UnitObject* create_plain(const UnitCreateArgs& args) {
    fixture_state().created_control_ids.push_back(args.control_id);
    auto object = std::make_unique<PlainObject>(args);
    ui::HWND hwnd = ui::CreateWindowExA(0, "QuilbexTestPlain", "", ui::WS_CHILD | args.extra_style, args.left, args.top,
                                        args.width, args.height, args.parent,
                                        reinterpret_cast<ui::HMENU>(std::uintptr_t{args.control_id}), nullptr, nullptr);
    if (!hwnd)
        return nullptr;
    object->attach(hwnd);
    ui::SetWindowLongPtrA(hwnd, ui::GWLP_USERDATA, reinterpret_cast<ui::LONG_PTR>(object.get()));
    return object.release();
}

void plain_changed(UnitObject* unit, int number, const PropertyValue& value) {
    if (number == 0)
        static_cast<PlainObject*>(unit)->value = static_cast<std::uint32_t>(value.number);
}
PropertyValue plain_read(UnitObject* unit, int number) {
    return PropertyValue::of_number(number == 0 ? static_cast<PlainObject*>(unit)->value : 0);
}

// --- an edit box over the EDIT control ---

class EditObject final : public UnitObject {
public:
    EditObject(const UnitCreateArgs& args, ui::HWND hwnd) : UnitObject(args.window_id, args.unit_id) { m_hwnd = hwnd; }
};

UnitObject* create_edit(const UnitCreateArgs& args) {
    fixture_state().created_control_ids.push_back(args.control_id);
    ui::HWND hwnd = ui::CreateWindowExA(0, "EDIT", "", ui::WS_CHILD | ui::ES_MULTILINE | args.extra_style, args.left,
                                        args.top, args.width, args.height, args.parent,
                                        reinterpret_cast<ui::HMENU>(std::uintptr_t{args.control_id}), nullptr, nullptr);
    return hwnd ? new EditObject(args, hwnd) : nullptr;
}

void edit_changed(UnitObject* unit, int number, const PropertyValue& value) {
    if (number == 0)
        ui::SetWindowTextA(unit->hwnd(), value.bytes.c_str());
}
PropertyValue edit_read(UnitObject* unit, int number) {
    return number == 0 ? PropertyValue::of_bytes(ui::window_text(unit->hwnd())) : PropertyValue{};
}

template <auto Create, auto Changed = nullptr, auto Read = nullptr>
rt::UnitInterfaceRoutine interface_of(std::uint32_t number) {
    switch (number) {
    case kInterfaceCreate: return reinterpret_cast<rt::UnitInterfaceRoutine>(Create);
    case kInterfacePropertyChanged:
        if constexpr (Changed != nullptr)
            return reinterpret_cast<rt::UnitInterfaceRoutine>(Changed);
        return nullptr;
    case kInterfaceReadProperty:
        if constexpr (Read != nullptr)
            return reinterpret_cast<rt::UnitInterfaceRoutine>(Read);
        return nullptr;
    default: return nullptr;
    }
}

rt::UnitInterfaceRoutine broken_interface(std::uint32_t) { return nullptr; }

rt::PropertyDescription kProperties[9] = {{},
                                          {},
                                          {},
                                          {},
                                          {nullptr, nullptr, nullptr, kKindText, 0, nullptr},
                                          {},
                                          {},
                                          {},
                                          {nullptr, nullptr, nullptr, kKindInteger, 0, nullptr}};
rt::PropertyDescription kEditProperties[9] = {{},
                                              {},
                                              {},
                                              {},
                                              {nullptr, nullptr, nullptr, kKindText, 0, nullptr},
                                              {},
                                              {},
                                              {},
                                              {nullptr, nullptr, nullptr, kKindText, 0, nullptr}};

std::array<rt::DataTypeRecord, 5> make_types() {
    std::array<rt::DataTypeRecord, 5> types{};
    types[0].stateFlags = 0x800000D0;
    types[0].interfaceRoutine = interface_of<create_form>;
    types[0].propertyCount = 9;
    types[0].properties = kProperties;
    types[1].stateFlags = 0x80000040;
    types[1].interfaceRoutine = broken_interface;
    types[3].stateFlags = 0x80000040;
    types[3].interfaceRoutine = interface_of<create_plain, plain_changed, plain_read>;
    types[3].propertyCount = 9;
    types[3].properties = kProperties;
    types[4].stateFlags = 0x80000040;
    types[4].interfaceRoutine = interface_of<create_edit, edit_changed, edit_read>;
    types[4].propertyCount = 9;
    types[4].properties = kEditProperties;
    return types;
}
std::array<rt::DataTypeRecord, 5> kTypes = make_types();

}  // namespace

FormsFixtureState& fixture_state() {
    static FormsFixtureState state;
    return state;
}

forms::UnitRecord unit(std::uint32_t id, std::uint32_t type, int left, int top, int width, int height,
                       std::uint32_t flags) {
    forms::UnitRecord record;
    record.id = id;
    record.type = type;
    record.left = left;
    record.top = top;
    record.width = width;
    record.height = height;
    record.flags = flags;
    return record;
}

FormsProgram::FormsProgram() {
    fixture_state() = {};
    rt::runtime_app().reset();
    forms::forms_state() = {};
    m_backend = &ui::WindowSystem::use_headless();
    ui::WNDCLASSA form{};
    form.lpfnWndProc = form_procedure;
    form.lpszClassName = "QuilbexTestForm";
    ui::RegisterClassA(&form);
    ui::WNDCLASSA plain{};
    plain.lpfnWndProc = plain_procedure;
    plain.lpszClassName = "QuilbexTestPlain";
    ui::RegisterClassA(&plain);
    m_library.dataTypeCount = static_cast<std::uint32_t>(kTypes.size());
    m_library.dataTypes = kTypes.data();
    forms::install_forms_host();
}

FormsProgram::~FormsProgram() {
    rt::window_host().destroy_all_windows();
    rt::set_window_host(nullptr);
    forms::forms_state() = {};
    ui::WindowSystem::shut_down();
}

forms::WindowTemplate& FormsProgram::add_window(std::uint32_t id) {
    forms::WindowTemplate window;
    window.id = id;
    templates.windows.push_back(window);
    return templates.windows.back();
}

void FormsProgram::load() {
    m_template_bytes = forms::write_templates(templates).value();
    header = {};
    header.runMode = 3;
    header.handlerBase = kRoutines;
    header.handlerCount = kHandlerCount;
    header.templateStart = m_template_bytes.data();
    header.templateLength = static_cast<std::uint32_t>(m_template_bytes.size());
    header.libraryCount = 1;
    header.libraries = m_libraries;
    rt::set_program_header(header);
    rt::load_program_data();
}

ui::HWND FormsProgram::hwnd_of(std::uint32_t window_id, std::uint32_t unit_id) {
    forms::LoadedWindow& loaded = window(window_id);
    int index = loaded.unit_index(unit_id);
    return index >= 0 && loaded.object(static_cast<std::size_t>(index))
               ? loaded.object(static_cast<std::size_t>(index))->hwnd()
               : nullptr;
}

}  // namespace quilbex::testing
