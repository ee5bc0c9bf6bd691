#pragma once
// A small program over the core library's real unit types for the units'
// tests: template data built in code (property blocks from the block
// writers), a routine table of recording handlers, the forms runtime as the
// runtime's window host, and the headless window system.

#include "forms/FormsApi.h"
#include "forms/LoadedWindow.h"
#include "forms/template/WindowTemplate.h"
#include "platform/ui/User32.h"
#include "platform/ui/headless/HeadlessBackend.h"
#include "runtime/ProgramImage.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quilbex::testing {

inline constexpr std::uint32_t kWindowId = 0x52010001;
inline constexpr std::uint32_t kSecondWindowId = 0x52010002;
inline constexpr std::uint32_t kWindowRecord = 0x06010001;  // the window's own record

// A control's unit identifier from a serial number.
constexpr std::uint32_t control_id(std::uint32_t serial) { return 0x16010000 | serial; }

// What a handler saw: which routine ran and the event source.
struct HandlerRun {
    std::uint32_t routine = 0;
    std::uint32_t unit_id = 0;
    std::vector<std::uint64_t> args;
};

class UnitsProgram {
public:
    static constexpr std::uint32_t kRoutineCount = 16;

    enum class System { Headless, Current };

    // With System::Current the program uses the window system already
    // selected (the GTK one in gui tests) and backend() is not available.
    explicit UnitsProgram(System system = System::Headless);
    ~UnitsProgram();
    UnitsProgram(const UnitsProgram&) = delete;
    UnitsProgram& operator=(const UnitsProgram&) = delete;

    // Adds a window whose own record has the given block and outer size.
    forms::WindowTemplate& add_window(std::uint32_t id, std::vector<std::uint8_t> block, int width = 440,
                                      int height = 338);
    // Adds a control to a window.
    forms::UnitRecord& add_unit(std::uint32_t window_id, std::uint32_t unit_id, std::uint32_t type,
                                std::vector<std::uint8_t> block, ui::RECT rect,
                                std::uint32_t flags = forms::kUnitVisible | forms::kUnitTabStop);
    // Binds routine `routine` of the table to an event of a unit.
    void bind(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t event, std::uint32_t routine);
    // Makes a routine return a value (none: it returns nothing).
    void set_result(std::uint32_t routine, std::optional<std::int64_t> value);

    // Serializes the templates and loads the program data.
    void start();
    // Loads the program data with template bytes made elsewhere.
    void start(std::vector<std::uint8_t> template_bytes);
    // Loads a window as the start-up window is loaded; false when it fails.
    bool load(std::uint32_t window_id = kWindowId);

    ui::HeadlessBackend& backend() { return *m_backend; }
    // Reads template bytes made elsewhere into `templates`, to change them before start().
    void read_templates(std::span<const std::uint8_t> bytes);
    forms::LoadedWindow* window(std::uint32_t id = kWindowId) { return forms::find_loaded_window(id); }
    forms::UnitObject* object(std::uint32_t window_id, std::uint32_t unit_id);
    ui::HWND hwnd(std::uint32_t window_id, std::uint32_t unit_id);
    ui::HWND hwnd(std::uint32_t unit_id) { return hwnd(kWindowId, unit_id); }

    // The handler runs so far, and how many of them were of one routine.
    const std::vector<HandlerRun>& runs() const;
    std::size_t runs_of(std::uint32_t routine) const;
    void clear_runs();

    forms::TemplateData templates;

private:
    std::vector<std::uint8_t> m_template_bytes;
    rt::ProgramHeader m_header{};
    rt::LibraryInfo m_library;
    const rt::LibraryInfo* m_libraries[1] = {&m_library};
    ui::HeadlessBackend* m_backend = nullptr;
};

// Property access through the runtime's entry points.
std::uint64_t read_number(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index);
std::string read_text(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index);
// Whether reading a text property gave the null text (not merely an empty one).
bool text_is_null(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index);
void write_number(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index, std::int64_t value);
void write_text(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index, const std::string& gbk);

// A well-formed ICO image of one 32-bit entry of size x size pixels in one colour.
std::vector<std::uint8_t> ico_image(int size, std::uint32_t argb);

// A property block from a block writer (the test fails on a write error).
template <typename Block, typename Writer> std::vector<std::uint8_t> block_bytes(const Block& block, Writer writer) {
    auto written = writer(block);
    return written ? written.value() : std::vector<std::uint8_t>{};
}

// A block with its leading version replaced.
inline std::vector<std::uint8_t> with_version(std::vector<std::uint8_t> block, std::uint32_t version) {
    for (std::size_t i = 0; i < 4 && i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(version >> (8 * i));
    return block;
}

}  // namespace quilbex::testing
