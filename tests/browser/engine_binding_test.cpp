// Finding, loading and binding the engine library.

#include "browser/EngineBinding.h"
#include "browser/Shlwapi.h"
#include "platform/kernel/ModuleRegistry.h"
#include "platform/ui/WindowSystem.h"
#include "platform/ui/headless/HeadlessBackend.h"
#include "runtime/RuntimeApp.h"
#include "support/Gbk.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quilbex::browser {
namespace {

namespace fs = std::filesystem;
using quilbex::testing::gbk;
using quilbex::testing::utf8;

TEST(EngineLocation, the_engine_is_looked_for_beside_the_program_or_above_a_lib_folder) {
    EXPECT_EQ(engine_path_for("C:\\Quilbex\\"), "C:\\Quilbex\\node.dll");
    EXPECT_EQ(engine_path_for("/opt/quilbex/"), "/opt/quilbex/node.dll");
    EXPECT_EQ(engine_path_for("C:\\Quilbex\\lib\\"), "C:\\Quilbex\\node.dll");
    EXPECT_EQ(engine_path_for("/opt/quilbex/lib/"), "/opt/quilbex/node.dll");
    // Case matters, and only a folder named exactly "lib" counts.
    EXPECT_EQ(engine_path_for("/opt/quilbex/Lib/"), "/opt/quilbex/Lib/node.dll");
    EXPECT_EQ(engine_path_for("/opt/mylib/"), "/opt/mylib/node.dll");
    EXPECT_EQ(engine_path_for("lib/"), "node.dll");
    EXPECT_EQ(engine_path_for(""), "node.dll");
}

TEST(Shlwapi, path_file_exists_answers_for_files_and_folders_through_the_registry) {
    register_shlwapi();
    win::HMODULE module = kernel::LoadLibraryA("SHLWAPI.DLL");
    ASSERT_NE(module, nullptr);
    auto exists = reinterpret_cast<win::BOOL (*)(win::LPCWSTR)>(kernel::GetProcAddress(module, "PathFileExistsW"));
    ASSERT_NE(exists, nullptr);
    const fs::path dir = fs::temp_directory_path() / "quilbex-shlwapi-测试";
    fs::create_directories(dir);
    std::ofstream(dir / "file.txt") << "x";
    const std::u16string folder = fs::path(dir).u16string();
    EXPECT_TRUE(exists(folder.c_str()));
    EXPECT_TRUE(exists((folder + u"\\file.txt").c_str())) << "backslash separators";
    EXPECT_FALSE(exists((folder + u"/missing.txt").c_str()));
    EXPECT_FALSE(exists(u""));
    EXPECT_FALSE(exists(nullptr));
    fs::remove_all(dir);
    kernel::FreeLibrary(module);
}

// A program folder in a temporary place, a headless window system that keeps
// the message boxes, and a fresh binding.
class EngineBindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_boxes = &ui::WindowSystem::use_headless();
        rt::runtime_app().reset();
        m_root = fs::temp_directory_path() / ("quilbex-binding-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root / "lib");
    }
    void TearDown() override {
        ui::WindowSystem::shut_down();
        fs::remove_all(m_root);
    }
    void set_program_dir(const fs::path& dir) { rt::runtime_app().programDir = dir.string(); }
    void install_engine(const char* built) { fs::copy_file(built, m_root / "node.dll"); }

    std::vector<std::pair<std::string, std::string>> boxes() const {
        std::vector<std::pair<std::string, std::string>> out;
        for (const auto& box : m_boxes->message_boxes())
            out.emplace_back(utf8(box.text), utf8(box.caption));
        return out;
    }

    ui::HeadlessBackend* m_boxes = nullptr;
    fs::path m_root;
    EngineBinding m_binding;
};

TEST_F(EngineBindingTest, a_missing_engine_is_reported_once_and_no_view_can_be_made) {
    set_program_dir(m_root);
    EXPECT_FALSE(m_binding.prepare());
    EXPECT_FALSE(m_binding.prepare());
    EXPECT_EQ(m_binding.engine_path(), "node.dll");
    using Box = std::pair<std::string, std::string>;
    EXPECT_EQ(boxes(), (std::vector<Box>{{"请把node.dll放在[" + (m_root / "node.dll").string() + "]位置", "错误"}}));
    EXPECT_EQ(m_binding.functions().wkeCreateWebWindow, nullptr);
}

TEST_F(EngineBindingTest, a_complete_engine_above_a_lib_folder_is_bound_and_initialised_once) {
    install_engine(FAKE_ENGINE_COMPLETE_PATH);
    set_program_dir(m_root / "lib");
    ASSERT_TRUE(m_binding.prepare());
    EXPECT_EQ(m_binding.engine_path(), (m_root / "node.dll").string());
    EXPECT_TRUE(boxes().empty());
    const EngineFunctions& f = m_binding.functions();
    ASSERT_NE(f.wkeIsInitialize, nullptr);
    // The fake initialises only with a zeroed 216-byte settings record.
    EXPECT_TRUE(f.wkeIsInitialize());
    EXPECT_NE(f.wkeGetCookie, nullptr);
    EXPECT_NE(f.wkeOnMouseOverUrlChanged, nullptr);
    EXPECT_TRUE(m_binding.prepare());
    EXPECT_TRUE(boxes().empty());
}

TEST_F(EngineBindingTest, missing_functions_are_reported_once_each_and_stop_view_creation) {
    install_engine(FAKE_ENGINE_PARTIAL_PATH);
    set_program_dir(m_root);
    EXPECT_FALSE(m_binding.prepare());
    const auto first = boxes();
    // Every bound name but the three the partial engine has.
    EXPECT_EQ(first.size(), 39u - 3u);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.front(), std::make_pair(std::string("wke api not found"), std::string("wkeCreateWebWindow")));
    for (const auto& [text, caption] : first) {
        EXPECT_EQ(text, "wke api not found");
        EXPECT_NE(caption, "wkeIsInitialize");
        EXPECT_NE(caption, "wkeGetTitle");
    }
    EXPECT_EQ(m_binding.functions().wkeCreateWebWindow, nullptr);
    EXPECT_NE(m_binding.functions().wkeGetTitle, nullptr);
    EXPECT_TRUE(m_binding.functions().wkeIsInitialize());
    EXPECT_FALSE(m_binding.prepare());
    EXPECT_EQ(boxes().size(), first.size()) << "each missing name is reported only once";
}

}  // namespace
}  // namespace quilbex::browser
