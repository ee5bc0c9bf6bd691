// The browser control unit as the forms runtime creates it, on the headless
// window system, with stand-in engines.

#include "browser/BrowserLibrary.h"
#include "browser/BrowserUnit.h"
#include "browser/EngineBinding.h"
#include "forms/blocks/BrowserBlock.h"
#include "forms/units/CoreUnitTypes.h"
#include "platform/ui/User32.h"
#include "platform/ui/WindowSystem.h"
#include "platform/ui/headless/HeadlessBackend.h"
#include "runtime/Memory.h"
#include "runtime/RuntimeApp.h"
#include "support/Gbk.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quilbex::browser {
namespace {

namespace fs = std::filesystem;

class BrowserUnitTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_ui = &ui::WindowSystem::use_headless();
        rt::runtime_app().reset();
        EngineBinding::process() = EngineBinding();
        m_root = fs::temp_directory_path() / ("quilbex-unit-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root);
        rt::runtime_app().programDir = m_root.string();
        ui::WNDCLASSA host{};
        host.lpfnWndProc = &ui::DefWindowProcA;
        host.lpszClassName = "BrowserTestHost";
        ui::RegisterClassA(&host);
        m_parent = ui::CreateWindowExA(0, "BrowserTestHost", "", ui::WS_OVERLAPPED, 0, 0, 400, 300, nullptr, nullptr,
                                       nullptr, nullptr);
        ASSERT_NE(m_parent, nullptr);
    }
    void TearDown() override {
        ui::WindowSystem::shut_down();
        fs::remove_all(m_root);
    }

    forms::UnitCreateArgs args(const std::vector<std::uint8_t>& block) const {
        forms::UnitCreateArgs a;
        a.block = block.data();
        a.block_length = static_cast<std::uint32_t>(block.size());
        a.parent = m_parent;
        a.left = 4;
        a.top = 5;
        a.width = 200;
        a.height = 100;
        a.window_id = 0x52010002;
        a.unit_id = 0x60000001;
        return a;
    }

    static std::vector<std::uint8_t> block(std::uint8_t version = 1) {
        auto written = forms::write_browser_block(forms::BrowserBlock{});
        auto bytes = written.value();
        bytes[0] = version;
        return bytes;
    }

    ui::HeadlessBackend* m_ui = nullptr;
    fs::path m_root;
    ui::HWND m_parent = nullptr;
};

auto create_routine() {
    const rt::LibraryInfo* library = browser_library();
    const rt::DataTypeRecord& type = library->dataTypes[(kBrowserUnitType & 0xFFFF) - 1];
    return reinterpret_cast<forms::UnitCreateRoutine>(type.interfaceRoutine(1));
}

TEST_F(BrowserUnitTest, without_the_engine_creation_fails_cleanly_and_leaves_no_window) {
    auto create = create_routine();
    ASSERT_NE(create, nullptr);
    EXPECT_EQ(create(args(block())), nullptr);
    ASSERT_EQ(m_ui->message_boxes().size(), 1u);
    EXPECT_EQ(quilbex::testing::utf8(m_ui->message_boxes()[0].caption), "错误");
    EXPECT_EQ(ui::GetWindow(m_parent, ui::GW_CHILD), nullptr) << "the control's window is gone again";
}

TEST_F(BrowserUnitTest, a_block_of_a_later_version_is_refused_before_anything_else) {
    fs::copy_file(FAKE_ENGINE_COMPLETE_PATH, m_root / "node.dll");
    EXPECT_EQ(create_routine()(args(block(2))), nullptr);
    EXPECT_TRUE(m_ui->message_boxes().empty());
}

TEST_F(BrowserUnitTest, with_an_engine_the_control_window_is_made_and_answers_its_routines) {
    fs::copy_file(FAKE_ENGINE_COMPLETE_PATH, m_root / "node.dll");
    std::unique_ptr<forms::UnitObject> object(create_routine()(args(block())));
    ASSERT_NE(object, nullptr);
    EXPECT_TRUE(m_ui->message_boxes().empty());
    ui::HWND hwnd = object->hwnd();
    ASSERT_TRUE(ui::IsWindow(hwnd));
    EXPECT_EQ(ui::GetParent(hwnd), m_parent);
    char class_name[32] = {};
    ui::GetClassNameA(hwnd, class_name, sizeof class_name);
    EXPECT_STREQ(class_name, "NXwkeCtrl");
    auto* unit = dynamic_cast<BrowserUnit*>(object.get());
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->control().cookie(), "fake=1");

    const rt::DataTypeRecord& type = browser_library()->dataTypes[4];
    auto read = reinterpret_cast<forms::UnitReadPropertyRoutine>(type.interfaceRoutine(6));
    auto changed = reinterpret_cast<forms::UnitPropertyChangedRoutine>(type.interfaceRoutine(4));
    changed(object.get(), 6, forms::PropertyValue::of_bytes("iPad Pro"));
    EXPECT_NE(read(object.get(), 6).bytes.find("iPad; CPU OS 11_0"), std::string::npos);
    int width = 0, height = 0;
    auto size = reinterpret_cast<bool (*)(int, int*, int*)>(type.interfaceRoutine(12));
    EXPECT_TRUE(size(0, &width, &height));
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(200, 100));
    // Deleting the object unbinds it from its window (the window system discards the window).
    object.reset();
}

// The runtime converts a written value by the description at the property's
// index, so the control's own properties must start at index 8 (the address,
// a text: written as a number it would arrive empty and blank the page).
TEST(BrowserUnitType, property_table_is_indexed_by_property_index) {
    const rt::DataTypeRecord& type = browser_library()->dataTypes[(kBrowserUnitType & 0xFFFF) - 1];
    const auto common = forms::common_property_descriptions();
    ASSERT_EQ(type.propertyCount, common.size() + 9);
    for (std::size_t i = 0; i < common.size(); ++i)
        EXPECT_EQ(type.properties[i].dataKind, common[i].dataKind) << "property " << i;
    EXPECT_STREQ(type.properties[8].englishName, "Address");
    EXPECT_EQ(type.properties[8].dataKind, forms::kKindText);
    EXPECT_STREQ(type.properties[8 + 8].englishName, "NewWindowNavigation");
}

TEST_F(BrowserUnitTest, commands_on_a_control_that_cannot_be_found_do_nothing) {
    const rt::LibraryInfo* library = browser_library();
    ASSERT_EQ(library->commandCount, 2u);
    rt::ArgRecord result;
    rt::ArgRecord control = rt::ArgRecord::of_unit(0x52010009, 0x60000009, kBrowserUnitType);
    library->commands[0](&result, 1, &control);
    EXPECT_EQ(result.type, rt::kTypeText);
    EXPECT_EQ(result.pointer(), nullptr);
    library->commands[1](&result, 1, &control);
    library->commands[0](&result, 0, nullptr);
    EXPECT_EQ(result.pointer(), nullptr);
}

}  // namespace
}  // namespace quilbex::browser
