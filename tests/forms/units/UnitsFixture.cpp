#include "UnitsFixture.h"

#include "forms/FormsHost.h"
#include "forms/FormsState.h"
#include "forms/PropertyAccess.h"
#include "forms/WindowLoader.h"
#include "forms/template/TemplateReader.h"
#include "forms/template/TemplateWriter.h"
#include "forms/units/CoreUnitTypes.h"
#include "platform/ui/WindowSystem.h"
#include "runtime/Memory.h"
#include "runtime/Notifications.h"
#include "runtime/RuntimeApp.h"
#include "runtime/Startup.h"
#include "runtime/WindowHost.h"

#include <array>
#include <gtest/gtest.h>

namespace quilbex::testing {
namespace {

struct RoutineState {
    std::vector<HandlerRun> runs;
    std::array<std::optional<std::int64_t>, UnitsProgram::kRoutineCount> results{};
};

RoutineState& routine_state() {
    static RoutineState state;
    return state;
}

template <std::uint32_t N> rt::HandlerResult routine(const rt::HandlerCall& call) {
    std::uint32_t source[2] = {};
    rt::runtime_notify(2017, reinterpret_cast<std::uintptr_t>(source), 0);
    HandlerRun run{N, source[1], {}};
    for (int i = 0; i < call.argc; ++i)
        run.args.push_back(call.args[static_cast<std::size_t>(i)]);
    routine_state().runs.push_back(run);
    const auto& result = routine_state().results[N];
    return result ? rt::HandlerResult{true, *result} : rt::HandlerResult{};
}

const rt::ApplicationRoutine kRoutines[UnitsProgram::kRoutineCount] = {
    routine<0>, routine<1>, routine<2>,  routine<3>,  routine<4>,  routine<5>,  routine<6>,  routine<7>,
    routine<8>, routine<9>, routine<10>, routine<11>, routine<12>, routine<13>, routine<14>, routine<15>};

}  // namespace

UnitsProgram::UnitsProgram(System system) {
    routine_state() = {};
    rt::runtime_app().reset();
    forms::forms_state() = {};
    if (system == System::Headless)
        m_backend = &ui::WindowSystem::use_headless();
    m_library.dataTypeCount = forms::core_unit_type_count();
    m_library.dataTypes = forms::core_unit_types();
    forms::install_forms_host();
}

UnitsProgram::~UnitsProgram() {
    rt::window_host().destroy_all_windows();
    rt::set_window_host(nullptr);
    forms::forms_state() = {};
    if (m_backend)
        ui::WindowSystem::shut_down();
}

void UnitsProgram::read_templates(std::span<const std::uint8_t> bytes) {
    auto read = forms::read_templates(bytes);
    ASSERT_TRUE(read.ok()) << read.error().message;
    templates = std::move(read.value());
}

forms::WindowTemplate& UnitsProgram::add_window(std::uint32_t id, std::vector<std::uint8_t> block, int width,
                                                int height) {
    forms::WindowTemplate window;
    window.id = id;
    forms::UnitRecord own;
    own.id = kWindowRecord | (id & 0xFFFF);
    own.type = forms::kWindowType;
    own.left = 10;
    own.top = 20;
    own.width = width;
    own.height = height;
    own.flags = forms::kUnitVisible;
    own.property_block = std::move(block);
    window.units.push_back(std::move(own));
    templates.windows.push_back(std::move(window));
    return templates.windows.back();
}

forms::UnitRecord& UnitsProgram::add_unit(std::uint32_t window_id, std::uint32_t unit_id, std::uint32_t type,
                                          std::vector<std::uint8_t> block, ui::RECT rect, std::uint32_t flags) {
    forms::WindowTemplate* window = templates.find_window(window_id);
    EXPECT_NE(window, nullptr);
    forms::UnitRecord record;
    record.id = unit_id;
    record.type = type;
    record.left = rect.left;
    record.top = rect.top;
    record.width = rect.right - rect.left;
    record.height = rect.bottom - rect.top;
    record.flags = flags;
    record.property_block = std::move(block);
    window->units.push_back(std::move(record));
    return window->units.back();
}

void UnitsProgram::bind(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t event, std::uint32_t routine) {
    forms::UnitRecord* record = templates.find_window(window_id)->find_unit(unit_id);
    ASSERT_NE(record, nullptr);
    record->handlers.push_back({event, routine});
}

void UnitsProgram::set_result(std::uint32_t routine, std::optional<std::int64_t> value) {
    routine_state().results[routine] = value;
}

void UnitsProgram::start() {
    auto bytes = forms::write_templates(templates);
    ASSERT_TRUE(bytes.ok()) << bytes.error().message;
    start(std::move(bytes.value()));
}

void UnitsProgram::start(std::vector<std::uint8_t> template_bytes) {
    m_template_bytes = std::move(template_bytes);
    m_header = {};
    m_header.runMode = 3;
    m_header.handlerBase = kRoutines;
    m_header.handlerCount = kRoutineCount;
    m_header.templateStart = m_template_bytes.data();
    m_header.templateLength = static_cast<std::uint32_t>(m_template_bytes.size());
    m_header.libraryCount = 1;
    m_header.libraries = m_libraries;
    rt::set_program_header(m_header);
    rt::load_program_data();
}

bool UnitsProgram::load(std::uint32_t window_id) {
    forms::LoadedWindow* loaded = window(window_id);
    return loaded && forms::load_window(*loaded, 0, false, nullptr);
}

forms::UnitObject* UnitsProgram::object(std::uint32_t window_id, std::uint32_t unit_id) {
    forms::LoadedWindow* loaded = window(window_id);
    if (!loaded)
        return nullptr;
    int index = loaded->unit_index(unit_id);
    return index < 0 ? nullptr : loaded->object(static_cast<std::size_t>(index));
}

ui::HWND UnitsProgram::hwnd(std::uint32_t window_id, std::uint32_t unit_id) {
    forms::UnitObject* unit = object(window_id, unit_id);
    return unit ? unit->hwnd() : nullptr;
}

const std::vector<HandlerRun>& UnitsProgram::runs() const { return routine_state().runs; }

std::size_t UnitsProgram::runs_of(std::uint32_t routine) const {
    std::size_t n = 0;
    for (const HandlerRun& run : routine_state().runs)
        n += run.routine == routine;
    return n;
}

void UnitsProgram::clear_runs() { routine_state().runs.clear(); }

std::uint64_t read_number(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index) {
    return forms::read_unit_property(window_id, unit_id, index, -1);
}

std::string read_text(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index) {
    auto* text =
        reinterpret_cast<char*>(static_cast<std::uintptr_t>(forms::read_unit_property(window_id, unit_id, index, -1)));
    std::string out = text ? text : "";
    rt::release(text);
    return out;
}

bool text_is_null(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index) {
    auto* text =
        reinterpret_cast<char*>(static_cast<std::uintptr_t>(forms::read_unit_property(window_id, unit_id, index, -1)));
    bool null = text == nullptr;
    rt::release(text);
    return null;
}

void write_number(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index, std::int64_t value) {
    forms::write_unit_property(window_id, unit_id, index, -1, static_cast<std::uint64_t>(value));
}

void write_text(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index, const std::string& gbk) {
    forms::write_unit_property(window_id, unit_id, index, -1, reinterpret_cast<std::uintptr_t>(gbk.c_str()));
}

std::vector<std::uint8_t> ico_image(int size, std::uint32_t argb) {
    std::vector<std::uint8_t> out;
    auto u16 = [&](std::uint32_t v) { out.push_back(v & 0xFF), out.push_back((v >> 8) & 0xFF); };
    auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    auto n = static_cast<std::uint32_t>(size);
    std::uint32_t mask_row = ((n + 31) / 32) * 4;
    std::uint32_t image = 40 + n * n * 4 + mask_row * n;
    u16(0), u16(1), u16(1);  // ICONDIR: icon, one entry
    out.push_back(static_cast<std::uint8_t>(n)), out.push_back(static_cast<std::uint8_t>(n));
    out.push_back(0), out.push_back(0);  // colours, reserved
    u16(1), u16(32), u32(image), u32(22);  // planes, bits, size, offset
    u32(40), u32(n), u32(2 * n), u16(1), u16(32);  // BITMAPINFOHEADER
    for (int i = 0; i < 6; ++i)
        u32(0);
    for (std::uint32_t i = 0; i < n * n; ++i)
        u32(argb);  // BGRA as a little-endian ARGB
    out.insert(out.end(), mask_row * n, 0);  // AND mask: all opaque
    return out;
}

}  // namespace quilbex::testing
