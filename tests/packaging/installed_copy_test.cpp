// The program as the package installs it, started on a private display.

#include "tests/e2e/ToolFixture.h"
#include "tests/packaging/PackageFiles.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quilbex::packaging {
namespace {

namespace fs = std::filesystem;

class InstalledCopyTest : public e2e::ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        ASSERT_TRUE(m_unpacked.ok()) << "no package in " QUILBEX_PACKAGE_DIR;
    }
    UnpackedPackage m_unpacked;
};

// The package's skin library is the file the program itself writes beside it
// at its first start, so a copy made from either behaves the same.
TEST_F(InstalledCopyTest, PackagedSkinLibraryIsTheFileTheProgramWritesAtItsFirstStart) {
    for (const char* file : {"quilbex", "quilbex-gtk.so", "node.dll"})
        fs::copy_file(m_unpacked.path(std::string("/usr/lib/quilbex/") + file), folder() + "/" + file);
    ASSERT_FALSE(fs::exists(folder() + "/SkinH_QV.dll"));
    start_program();
    const std::string written = e2e::read_file(folder() + "/SkinH_QV.dll");
    const std::string packaged = e2e::read_file(m_unpacked.path("/usr/lib/quilbex/SkinH_QV.dll"));
    ASSERT_GT(packaged.size(), 10000u);
    EXPECT_TRUE(written == packaged) << "written " << written.size() << " bytes, packaged " << packaged.size();
}

}  // namespace
}  // namespace quilbex::packaging
