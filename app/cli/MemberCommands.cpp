#include "app/cli/MemberCommands.h"

#include "app/member/LastResult.h"
#include "app/member/SavedCookie.h"
#include "app/net/NetConfig.h"
#include "app/net/SettingsFile.h"
#include "app/schedule/DailyMember.h"
#include "app/schedule/DailyTimer.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Paths.h"
#include "platform/kernel/Utf8.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace quilbex::app {

namespace {

namespace fs = std::filesystem;

// The names of the profiles below the default member's settings folder.
std::vector<std::string> profile_names(const kernel::MemberFolders& default_member) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(default_member.config_folder + "/profiles", error))
        if (entry.is_directory(error))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// One line of --where: the name padded to one terminal column (Chinese names
// take two columns a character), then the path.
void add_file(std::string& text, std::string_view what, const std::string& path) {
    constexpr std::size_t kPathColumn = 28;
    std::string label(what);
    const std::size_t width = kernel::display_width(label);
    if (width < kPathColumn)
        label.append(kPathColumn - width, ' ');
    text += "  " + label + " " + path + "\n";
}

}  // namespace

int list_profiles() {
    const kernel::MemberFolders& current = kernel::member_folders();
    const kernel::FolderEnvironment environment = kernel::current_folder_environment(current.program_folder);
    auto folders_of = [&](const std::string& name) {
        kernel::MemberFolders folders = kernel::decide_member_folders(current.program_folder, name, environment);
        return folders;
    };
    const kernel::MemberFolders default_member = folders_of("");
    std::vector<std::string> names{""};
    for (const std::string& name : profile_names(default_member))
        names.push_back(name);

    int listed = 0;
    for (const std::string& name : names) {
        kernel::MemberFolders folders = name.empty() ? default_member : folders_of(name);
        if (!fs::is_regular_file(folders.cookie_file()))
            continue;
        auto last = last_history_entry(folders.history_file());
        const SavedCookie saved = read_saved_cookie(kernel::utf8_to_gbk(folders.cookie_file()));
        std::printf("%-20s %s；%s\n", name.empty() ? "(默认)" : name.c_str(),
                    last ? describe(*last).c_str() : "（还没有记录）", describe_cookie_expiry(saved.expires).c_str());
        ++listed;
    }
    if (listed == 0)
        std::printf("还没有成员保存过 Cookie（%s）。\n", default_member.cookie_file().c_str());
    return 0;
}

std::string where_text() {
    const kernel::MemberFolders& folders = kernel::member_folders();
    const bool installed = folders.layout == kernel::Layout::installed;
    std::string text = std::string("布局: ") + (installed ? "installed" : "portable") + "（" + folders.reason + "）\n";
    text += "程序文件夹: " + folders.program_folder + "\n";
    text += "成员: " + (folders.profile.empty() ? std::string("(默认)") : folders.profile) + "\n";

    const NetConfig config = read_member_net_config();

    text += "成员的文件:\n";
    for (const kernel::MemberFile& file : folders.files) {
        if (file.shown == kernel::ShownByWhere::no)
            continue;
        // Config.ini is the one the program reads: the file QUILBEX_CONFIG
        // names, or the default member's for a profile without one.
        if (file.name == kernel::kConfigFileName)
            add_file(text, settings_file_named() ? "Config.ini (QUILBEX_CONFIG)" : "Config.ini", config.settings_file);
        else
            add_file(text, file.name, folders.file(file.name));
    }
    add_file(text, "浏览器工作文件夹", folders.cache_folder + "/");
    if (!config.ca_file.empty())
        add_file(text, "ca_file", config.ca_file);
    const std::string units =
        user_unit_dir() + "/" + member_unit_base({kernel::executable_path(), folders.profile, "", "", ""});
    add_file(text, "定时签到", units + ".service");
    add_file(text, "", units + ".timer");

    text += std::string("程序的文件") + (installed ? "（只读）" : "") + ":\n";
    for (const char* name : {"quilbex", "quilbex-gtk.so", "node.dll", "SkinH_QV.dll"})
        add_file(text, name, folders.program_folder + "/" + name);
    return text;
}

int print_where() {
    std::fputs(where_text().c_str(), stdout);
    return 0;
}

}  // namespace quilbex::app
