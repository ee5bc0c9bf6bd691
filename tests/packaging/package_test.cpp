// The Debian package as the tools of the distribution see it: lintian, the
// menu entry and AppStream validators, its Depends against the libraries the
// program links and opens, its file list, its manual page and its removal.

#include "tests/packaging/PackageFiles.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>

namespace quilbex::packaging {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The package names of a Depends field ("a (>= 1), b | c" -> a, b, c).
std::set<std::string> depends_names(const std::string& field) {
    std::set<std::string> names;
    std::regex name(R"((^|[,|])\s*([a-z0-9][a-z0-9+.-]*))");
    for (std::sregex_iterator it(field.begin(), field.end(), name), end; it != end; ++it)
        names.insert((*it)[2]);
    return names;
}

// The Debian package that holds the library the dynamic loader finds for `soname`.
std::string package_of(const std::string& soname) {
    auto found =
        run_command("ldconfig -p | awk -v so=" + shell_quoted(soname) + " '$1 == so && /x86-64/ { print $NF; exit }'");
    std::string path = found.output.substr(0, found.output.find('\n'));
    if (path.empty())
        return {};
    for (const std::string& candidate : {path, fs::canonical(path).string(), std::string("/usr") + path}) {
        auto owner = run_command("dpkg -S " + shell_quoted(candidate));
        if (owner.status == 0)
            return owner.output.substr(0, owner.output.find_first_of(":,"));
    }
    return {};
}

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_deb = package_file();
        ASSERT_FALSE(m_deb.empty()) << "no package in " QUILBEX_PACKAGE_DIR;
    }
    std::string field(const std::string& name) {
        auto result = run_command("dpkg-deb -f " + shell_quoted(m_deb) + " " + name);
        return result.output;
    }
    std::string m_deb;
};

TEST_F(PackageTest, LintianFindsNoError) {
    auto lintian = run_command("lintian --fail-on error --no-tag-display-limit " + shell_quoted(m_deb));
    EXPECT_EQ(lintian.status, 0) << lintian.output;
    EXPECT_THAT(lintian.output, ::testing::Not(::testing::ContainsRegex("(^|\n)E: "))) << lintian.output;
}

TEST_F(PackageTest, MenuEntryMetadataAndIconsValidate) {
    UnpackedPackage unpacked;
    ASSERT_TRUE(unpacked.ok());
    const std::string desktop = unpacked.path("/usr/share/applications/quilbex.desktop");
    auto entry = run_command("desktop-file-validate " + shell_quoted(desktop));
    EXPECT_EQ(entry.status, 0) << entry.output;
    EXPECT_EQ(entry.output, "");
    const std::string text = read_all(desktop);
    for (const char* key :
         {"\nName=", "\nName[zh_CN]=", "\nComment=", "\nExec=quilbex\n", "\nIcon=quilbex\n", "\nCategories="})
        EXPECT_THAT(text, HasSubstr(key));
    // The set-up window is one of the entry's actions.
    EXPECT_THAT(text, HasSubstr("\nActions=setup;\n"));
    EXPECT_THAT(text, HasSubstr("\n[Desktop Action setup]\nName=Settings\nName[zh_CN]=设置\nExec=quilbex --setup\n"));

    auto metainfo =
        run_command("appstreamcli validate --no-net " +
                    shell_quoted(unpacked.path("/usr/share/metainfo/io.github.quilbex.Quilbex.metainfo.xml")));
    EXPECT_EQ(metainfo.status, 0) << metainfo.output;

    // The icon is a PNG of each size, in the theme's folder of that size.
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string dim = std::to_string(size) + "x" + std::to_string(size);
        std::string png = read_all(unpacked.path("/usr/share/icons/hicolor/" + dim + "/apps/quilbex.png"));
        ASSERT_GE(png.size(), 24u) << dim;
        EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n") << dim;
        auto be32 = [&](std::size_t at) {
            return static_cast<int>(
                static_cast<unsigned char>(png[at]) << 24 | static_cast<unsigned char>(png[at + 1]) << 16 |
                static_cast<unsigned char>(png[at + 2]) << 8 | static_cast<unsigned char>(png[at + 3]));
        };
        EXPECT_EQ(be32(16), size) << dim;
        EXPECT_EQ(be32(20), size) << dim;
    }
}

TEST_F(PackageTest, DependsNamesThePackageOfEveryLibraryTheProgramLinksOrOpens) {
    UnpackedPackage unpacked;
    ASSERT_TRUE(unpacked.ok());
    const auto depends = depends_names(field("Depends"));
    std::set<std::string> sonames;
    const std::regex soname_text(R"(lib[A-Za-z0-9_+-]+\.so\.[0-9]+)");
    for (const char* file : {"quilbex", "quilbex-gtk.so", "node.dll", "SkinH_QV.dll"}) {
        const std::string path = unpacked.path(std::string("/usr/lib/quilbex/") + file);
        // Linked: the NEEDED entries.
        auto dynamic = run_command("readelf -d " + shell_quoted(path));
        ASSERT_EQ(dynamic.status, 0) << dynamic.output;
        std::regex needed(R"(\(NEEDED\)\s+Shared library: \[([^\]]+)\])");
        for (std::sregex_iterator it(dynamic.output.begin(), dynamic.output.end(), needed), end; it != end; ++it)
            sonames.insert((*it)[1]);
        // Opened by name: every soname the file's texts hold.
        const std::string bytes = read_all(path);
        for (std::sregex_iterator it(bytes.begin(), bytes.end(), soname_text), end; it != end; ++it)
            sonames.insert(it->str());
    }
    EXPECT_TRUE(sonames.count("libcurl.so.4") && sonames.count("libnotify.so.4") && sonames.count("libgtk-3.so.0"))
        << "the scan missed libraries the program is known to load";
    for (const auto& soname : sonames) {
        const std::string package = package_of(soname);
        ASSERT_FALSE(package.empty()) << "no package holds " << soname;
        EXPECT_TRUE(depends.count(package)) << soname << " comes from " << package << ", which Depends lacks";
    }
}

TEST_F(PackageTest, HoldsTheProgramFolderAndNothingOfTheStandIns) {
    UnpackedPackage unpacked;
    ASSERT_TRUE(unpacked.ok());
    std::set<std::string> program_folder;
    for (const auto& entry : fs::directory_iterator(unpacked.path("/usr/lib/quilbex")))
        program_folder.insert(entry.path().filename().string());
    EXPECT_EQ(program_folder, (std::set<std::string>{"quilbex", "quilbex-gtk.so", "node.dll", "SkinH_QV.dll"}));
    EXPECT_EQ(fs::read_symlink(unpacked.path("/usr/bin/quilbex")), "../lib/quilbex/quilbex");
    EXPECT_TRUE(fs::is_regular_file(unpacked.path("/usr/share/doc/quilbex/copyright")));
    EXPECT_TRUE(fs::is_regular_file(unpacked.path("/usr/share/doc/quilbex/Config.ini.example")));
    for (const auto& entry : fs::recursive_directory_iterator(unpacked.root())) {
        const std::string name = entry.path().filename().string();
        EXPECT_FALSE(name.find("sim") != std::string::npos || name.ends_with(".pem") || name.ends_with(".key"))
            << entry.path();
    }
    // No maintainer scripts and no conffiles: removal is dpkg's own business.
    e2e::TempFolder control;
    ASSERT_EQ(run_command("dpkg-deb -e " + shell_quoted(m_deb) + " " + shell_quoted(control.path())).status, 0);
    std::set<std::string> control_files;
    for (const auto& entry : fs::directory_iterator(control.path()))
        control_files.insert(entry.path().filename().string());
    EXPECT_EQ(control_files, (std::set<std::string>{"control", "md5sums"}));
}

TEST_F(PackageTest, ManualPageRendersAndNamesEveryOptionOfTheHelp) {
    UnpackedPackage unpacked;
    ASSERT_TRUE(unpacked.ok());
    auto page = run_command("MANWIDTH=200 man --warnings -l " +
                            shell_quoted(unpacked.path("/usr/share/man/man1/quilbex.1.gz")) + " 2>&1");
    ASSERT_EQ(page.status, 0) << page.output;
    EXPECT_THAT(page.output, ::testing::Not(HasSubstr("warning"))) << page.output;
    // Hyphens render as U+2010 in some locales; compare on plain hyphens.
    std::string text = std::regex_replace(page.output, std::regex("\xE2\x80\x90"), "-");
    auto help = run_command(shell_quoted(unpacked.path("/usr/lib/quilbex/quilbex")) + " --help");
    ASSERT_EQ(help.status, 0) << help.output;
    std::set<std::string> options;
    const std::regex option(R"((^|[\s\[])(--?[a-z][a-z-]*))");
    for (std::sregex_iterator it(help.output.begin(), help.output.end(), option), end; it != end; ++it)
        options.insert((*it)[2]);
    EXPECT_GE(options.size(), 8u) << help.output;
    for (const auto& name : options)
        EXPECT_TRUE(std::regex_search(text, std::regex("(^|[^a-z-])" + name + "([^a-z-]|$)")))
            << "the manual page lacks " << name;
    for (const char* name : {"Cookie.ini", "History.log", "Daily.lock", "QUILBEX_CONFIG", "XDG_STATE_HOME"})
        EXPECT_THAT(text, HasSubstr(name));
}

TEST_F(PackageTest, RemovalLeavesNoFileOfThePackageAndKeepsTheMembersFiles) {
    // A scratch dpkg database and root: install, then remove.
    e2e::TempFolder root;
    fs::create_directories(root.path() + "/var/lib/dpkg/info");
    fs::create_directories(root.path() + "/var/lib/dpkg/updates");
    std::ofstream(root.path() + "/var/lib/dpkg/status").close();
    const std::string member_file = root.path() + "/home/member/.config/quilbex/Cookie.ini";
    fs::create_directories(fs::path(member_file).parent_path());
    std::ofstream(member_file) << "[COOKIE]\r\ncookie=x\r\n";
    auto files_outside_the_database = [&] {
        std::set<std::string> files;
        for (auto it = fs::recursive_directory_iterator(root.path()); it != fs::recursive_directory_iterator(); ++it) {
            if (it->path().string().starts_with(root.path() + "/var/lib/dpkg")) {
                it.disable_recursion_pending();
                continue;
            }
            if (!it->is_directory() || it->is_symlink())
                files.insert(it->path().string().substr(root.path().size()));
        }
        return files;
    };
    const std::string dpkg = "dpkg --root=" + shell_quoted(root.path()) + " --force-depends --force-not-root ";
    auto install = run_command(dpkg + "-i " + shell_quoted(m_deb));
    ASSERT_EQ(install.status, 0) << install.output;
    ASSERT_TRUE(fs::is_regular_file(root.path() + "/usr/lib/quilbex/quilbex"));
    EXPECT_GT(files_outside_the_database().size(), 15u);

    auto remove = run_command(dpkg + "-r quilbex");
    ASSERT_EQ(remove.status, 0) << remove.output;
    EXPECT_EQ(files_outside_the_database(), (std::set<std::string>{"/home/member/.config/quilbex/Cookie.ini"}));
    EXPECT_FALSE(fs::exists(root.path() + "/usr/lib/quilbex"));
    auto listed = run_command("dpkg-query --root=" + shell_quoted(root.path()) + " -W quilbex");
    EXPECT_NE(listed.status, 0) << listed.output;
}

}  // namespace
}  // namespace quilbex::packaging
