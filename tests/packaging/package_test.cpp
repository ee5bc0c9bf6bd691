// The two Debian packages as the tools of the distribution see them:
// lintian, the menu entry and AppStream validators, each one's Depends
// against the libraries its files link and open, their file lists, the
// manual pages, the copyright file and their removal.

#include "tests/packaging/PackageFiles.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
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

// The sonames an ELF file links (its NEEDED entries) and opens by name
// (every soname its bytes hold).
std::set<std::string> sonames_of(const std::string& path, bool with_texts = true) {
    std::set<std::string> sonames;
    auto dynamic = run_command("readelf -d " + shell_quoted(path));
    std::regex needed(R"(\(NEEDED\)\s+Shared library: \[([^\]]+)\])");
    for (std::sregex_iterator it(dynamic.output.begin(), dynamic.output.end(), needed), end; it != end; ++it)
        sonames.insert((*it)[1]);
    const std::string bytes = read_all(path);
    const std::regex soname_text(R"(lib[A-Za-z0-9_+-]+\.so\.[0-9]+)");
    for (std::sregex_iterator it(bytes.begin(), bytes.end(), soname_text), end; with_texts && it != end; ++it)
        sonames.insert(it->str());
    return sonames;
}

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_cli = package_file("quilbex-cli");
        m_window = package_file("quilbex");
        ASSERT_FALSE(m_cli.empty() || m_window.empty()) << "no packages in " QUILBEX_PACKAGE_DIR;
    }
    std::string field(const std::string& deb, const std::string& name) {
        auto result = run_command("dpkg-deb -f " + shell_quoted(deb) + " " + name);
        return result.output;
    }
    std::string m_cli, m_window;
};

TEST_F(PackageTest, LintianFindsNoErrorInEitherPackage) {
    for (const std::string& deb : {m_cli, m_window}) {
        auto lintian = run_command("lintian --fail-on error --no-tag-display-limit " + shell_quoted(deb));
        EXPECT_EQ(lintian.status, 0) << lintian.output;
        EXPECT_THAT(lintian.output, ::testing::Not(::testing::ContainsRegex("(^|\n)E: "))) << lintian.output;
    }
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
    EXPECT_THAT(text, HasSubstr("\nActions=setup;relogin;\n"));
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

TEST_F(PackageTest, EachPackageDependsOnThePackagesOfTheLibrariesItsFilesLinkOrOpen) {
    UnpackedPackage unpacked;
    ASSERT_TRUE(unpacked.ok());
    const std::string folder = unpacked.path("/usr/lib/quilbex/");
    // The program carries the skin library's bytes in its image (it writes
    // them out at a window's first start): their sonames are the window's.
    std::set<std::string> window_sonames = sonames_of(folder + "SkinH_QV.dll");
    for (const char* file : {"quilbex-gtk.so", "node.dll"})
        window_sonames.merge(sonames_of(folder + file));
    std::set<std::string> cli_sonames;
    for (const auto& soname : sonames_of(folder + "quilbex"))
        if (!window_sonames.count(soname) || sonames_of(folder + "quilbex", false).count(soname))
            cli_sonames.insert(soname);
    EXPECT_TRUE(cli_sonames.count("libcurl.so.4") && window_sonames.count("libgtk-3.so.0") &&
                cli_sonames.count("libnotify.so.4"))
        << "the scan missed libraries the program is known to load";
    // Desktop notifications belong with the desktop: without libnotify the
    // command line sends its alerts through the other channels.
    cli_sonames.erase("libnotify.so.4");
    window_sonames.insert("libnotify.so.4");

    const auto cli_depends = depends_names(field(m_cli, "Depends"));
    auto window_depends = depends_names(field(m_window, "Depends"));
    EXPECT_TRUE(window_depends.count("quilbex-cli"));
    EXPECT_THAT(field(m_window, "Depends"), HasSubstr("quilbex-cli (= " + field(m_cli, "Version").substr(0, 5) + ")"));
    for (const auto& soname : cli_sonames) {
        const std::string package = package_of(soname);
        ASSERT_FALSE(package.empty()) << "no package holds " << soname;
        EXPECT_TRUE(cli_depends.count(package)) << soname << " comes from " << package << ", which quilbex-cli lacks";
    }
    window_depends.merge(std::set<std::string>(cli_depends));
    for (const auto& soname : window_sonames) {
        const std::string package = package_of(soname);
        ASSERT_FALSE(package.empty()) << "no package holds " << soname;
        EXPECT_TRUE(window_depends.count(package)) << soname << " comes from " << package << ", which quilbex lacks";
    }
}

// A server without a desktop: quilbex-cli and everything it pulls in hold no
// GTK or WebKit package.
TEST_F(PackageTest, TheCommandLinePackageBringsNoDesktopLibrary) {
    const std::regex desktop("gtk|webkit|javascriptcore", std::regex::icase);
    const std::string depends = field(m_cli, "Depends");
    EXPECT_FALSE(std::regex_search(depends, desktop)) << depends;
    auto simulate = run_command("apt-get install --simulate --no-install-recommends " + shell_quoted(m_cli));
    ASSERT_EQ(simulate.status, 0) << simulate.output;
    EXPECT_THAT(simulate.output, HasSubstr("quilbex-cli"));
    std::istringstream lines(simulate.output);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("Inst "))
            EXPECT_FALSE(std::regex_search(line, desktop)) << line;
    }
    // The whole closure of its Depends, whatever this machine has installed.
    std::string names;
    for (const auto& name : depends_names(depends))
        names += " " + shell_quoted(name);
    auto closure = run_command("apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks "
                               "--no-replaces --no-enhances" +
                               names);
    ASSERT_EQ(closure.status, 0) << closure.output;
    EXPECT_THAT(closure.output, HasSubstr("libcurl4"));
    EXPECT_FALSE(std::regex_search(closure.output, desktop)) << closure.output;
}

TEST_F(PackageTest, TheWindowPackageRecommendsAFontWithChineseCharacters) {
    EXPECT_EQ(field(m_window, "Recommends"), "fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei\n");
    EXPECT_THAT(field(m_cli, "Recommends"), ::testing::Not(HasSubstr("fonts")));
}

TEST_F(PackageTest, EachPackageHoldsItsPartOfTheProgramFolderAndNothingOfTheStandIns) {
    auto program_folder = [](const UnpackedPackage& unpacked) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(unpacked.path("/usr/lib/quilbex")))
            names.insert(entry.path().filename().string());
        return names;
    };
    UnpackedPackage cli({"quilbex-cli"}), window({"quilbex"});
    ASSERT_TRUE(cli.ok() && window.ok());
    EXPECT_EQ(program_folder(cli), (std::set<std::string>{"quilbex"}));
    EXPECT_EQ(program_folder(window), (std::set<std::string>{"quilbex-gtk.so", "node.dll", "SkinH_QV.dll"}));
    EXPECT_EQ(fs::read_symlink(cli.path("/usr/bin/quilbex")), "../lib/quilbex/quilbex");
    EXPECT_TRUE(fs::is_regular_file(cli.path("/usr/share/doc/quilbex-cli/Config.ini.example")));
    EXPECT_TRUE(fs::is_regular_file(cli.path("/usr/share/man/zh_CN/man1/quilbex.1.gz")));
    EXPECT_FALSE(fs::exists(cli.path("/usr/share/applications")));
    for (const auto* unpacked : {&cli, &window}) {
        EXPECT_TRUE(fs::is_regular_file(unpacked->path(
            "/usr/share/doc/" + std::string(unpacked == &cli ? "quilbex-cli" : "quilbex") + "/copyright")));
        for (const auto& entry : fs::recursive_directory_iterator(unpacked->root())) {
            const std::string name = entry.path().filename().string();
            EXPECT_FALSE(name.find("sim") != std::string::npos || name.ends_with(".pem") || name.ends_with(".key"))
                << entry.path();
        }
    }
    // No maintainer scripts and no conffiles: removal is dpkg's own business.
    for (const std::string& deb : {m_cli, m_window}) {
        e2e::TempFolder control;
        ASSERT_EQ(run_command("dpkg-deb -e " + shell_quoted(deb) + " " + shell_quoted(control.path())).status, 0);
        std::set<std::string> control_files;
        for (const auto& entry : fs::directory_iterator(control.path()))
            control_files.insert(entry.path().filename().string());
        EXPECT_EQ(control_files, (std::set<std::string>{"control", "md5sums"})) << deb;
    }
}

// The copyright file names each third-party source that the build compiles
// into the program (found in the build files: a source file taken from a
// distribution package's /usr/share folder) with its licence text, and the
// project's own licence is still the one that grants nothing more.
TEST_F(PackageTest, CopyrightNamesEveryThirdPartySourceCompiledIn) {
    std::set<std::string> vendored;
    const std::regex taken(R"(find_file\(\w+\s+\S+\.(c|cc|cpp)\s+PATHS\s+/usr/share/([A-Za-z0-9_.+-]+))");
    for (const auto& entry : fs::recursive_directory_iterator(QUILBEX_SOURCE_DIR)) {
        const std::string path = entry.path().string();
        if (path.find("/build/") != std::string::npos || path.find("/.git/") != std::string::npos ||
            entry.path().filename() != "CMakeLists.txt")
            continue;
        const std::string text = read_all(path);
        for (std::sregex_iterator it(text.begin(), text.end(), taken), end; it != end; ++it)
            vendored.insert((*it)[2]);
    }
    EXPECT_EQ(vendored, std::set<std::string>{"duktape"}) << "a new third-party source needs its stanza";
    UnpackedPackage unpacked;
    ASSERT_TRUE(unpacked.ok());
    const std::string copyright = read_all(unpacked.path("/usr/share/doc/quilbex-cli/copyright"));
    EXPECT_EQ(copyright, read_all(unpacked.path("/usr/share/doc/quilbex/copyright")));
    for (const auto& name : vendored)
        EXPECT_TRUE(std::regex_search(copyright, std::regex("\nFiles: " + name + "/\\*\n"))) << name;
    EXPECT_THAT(copyright, HasSubstr("Copyright: 2013-present Duktape authors"));
    EXPECT_THAT(copyright, HasSubstr("\nLicense: expat\n Permission is hereby granted, free of charge"));
    EXPECT_THAT(copyright, HasSubstr("No licence granting further rights has been\n chosen for it yet."));
    // Every licence a stanza names has its text.
    const std::regex named(R"(\nLicense: ([A-Za-z0-9.+-]+)\n)");
    for (std::sregex_iterator it(copyright.begin(), copyright.end(), named), end; it != end; ++it) {
        const std::string text_start = "\nLicense: " + (*it)[1].str() + "\n ";
        EXPECT_NE(copyright.find(text_start), std::string::npos) << (*it)[1] << " has no licence text";
    }
}

// Both manual pages render without a warning at a wide terminal, name every
// option of --help, and give the exit statuses of the run outcomes that
// --help lists (the Chinese page in the very words of the help text).
TEST_F(PackageTest, ManualPagesInEnglishAndChineseNameEveryOptionAndExitStatusOfTheHelp) {
    UnpackedPackage unpacked;
    ASSERT_TRUE(unpacked.ok());
    auto help = run_command(shell_quoted(unpacked.path("/usr/lib/quilbex/quilbex")) + " --help");
    ASSERT_EQ(help.status, 0) << help.output;
    std::set<std::string> options;
    const std::regex option(R"((^|[\s\[])(--?[a-z][a-z-]*))");
    for (std::sregex_iterator it(help.output.begin(), help.output.end(), option), end; it != end; ++it)
        options.insert((*it)[2]);
    EXPECT_GE(options.size(), 8u) << help.output;
    EXPECT_TRUE(options.count("--force"));
    std::map<std::string, std::string> statuses;  // exit status -> meaning, as --help lists them
    const std::regex status_line(R"(\n  ([0-9])  ([^\n]+))");
    const std::string outcomes = help.output.substr(help.output.find("退出状态"));
    for (std::sregex_iterator it(outcomes.begin(), outcomes.end(), status_line), end; it != end; ++it)
        statuses[(*it)[1]] = (*it)[2];
    ASSERT_EQ(statuses.size(), 5u) << help.output;

    for (const char* page : {"/usr/share/man/man1/quilbex.1.gz", "/usr/share/man/zh_CN/man1/quilbex.1.gz"}) {
        SCOPED_TRACE(page);
        auto rendered =
            run_command("LC_ALL=C.UTF-8 MANWIDTH=200 man --warnings -l " + shell_quoted(unpacked.path(page)) + " 2>&1");
        ASSERT_EQ(rendered.status, 0) << rendered.output;
        EXPECT_THAT(rendered.output, ::testing::Not(HasSubstr("warning"))) << rendered.output;
        // Hyphens render as U+2010 in some locales; compare on plain hyphens.
        std::string text = std::regex_replace(rendered.output, std::regex("\xE2\x80\x90"), "-");
        for (const auto& name : options)
            EXPECT_TRUE(std::regex_search(text, std::regex("(^|[^a-z-])" + name + "([^a-z-]|$)")))
                << "the manual page lacks " << name;
        for (const char* name : {"Cookie.ini", "History.log", "Daily.lock", "QUILBEX_CONFIG", "XDG_STATE_HOME"})
            EXPECT_THAT(text, HasSubstr(name));
        const bool chinese = std::string(page).find("zh_CN") != std::string::npos;
        const std::string exits = text.substr(text.find(chinese ? "退出状态" : "EXIT STATUS"));
        std::set<std::string> listed;
        const std::regex tag(R"(\n {7}([0-9])\s)");
        for (std::sregex_iterator it(exits.begin(), exits.end(), tag), end; it != end; ++it)
            listed.insert((*it)[1]);
        std::set<std::string> expected;
        for (const auto& [status, meaning] : statuses) {
            expected.insert(status);
            if (chinese)
                EXPECT_THAT(exits, HasSubstr(meaning));
        }
        EXPECT_EQ(listed, expected) << exits;
    }
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
    auto install = run_command(dpkg + "-i " + shell_quoted(m_cli) + " " + shell_quoted(m_window));
    ASSERT_EQ(install.status, 0) << install.output;
    ASSERT_TRUE(fs::is_regular_file(root.path() + "/usr/lib/quilbex/quilbex"));
    EXPECT_GT(files_outside_the_database().size(), 15u);

    auto remove = run_command(dpkg + "-r quilbex quilbex-cli");
    ASSERT_EQ(remove.status, 0) << remove.output;
    EXPECT_EQ(files_outside_the_database(), (std::set<std::string>{"/home/member/.config/quilbex/Cookie.ini"}));
    EXPECT_FALSE(fs::exists(root.path() + "/usr/lib/quilbex"));
    auto listed = run_command("dpkg-query --root=" + shell_quoted(root.path()) + " -W quilbex quilbex-cli");
    EXPECT_NE(listed.status, 0) << listed.output;
}

}  // namespace
}  // namespace quilbex::packaging
