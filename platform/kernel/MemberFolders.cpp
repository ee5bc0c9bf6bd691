#include "platform/kernel/MemberFolders.h"

#include "platform/kernel/Paths.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <list>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quilbex::kernel {

namespace {

// An XDG base folder: the variable when it holds an absolute path (XDG's
// base-folder rules ignore relative ones), else the default below HOME.
std::string base_folder(const std::string& variable, const std::string& home, const char* below_home) {
    if (!variable.empty() && variable.front() == '/')
        return variable;
    return home + below_home;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string home_folder() {
    std::string home = environment("HOME");
    if (!home.empty() && home.front() == '/')
        return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return "/";
}

// "a//b/" -> "a/b": folder names compared as the file system reads them.
std::string collapse_slashes(const std::string& path) {
    std::string out;
    for (char c : path)
        if (c != '/' || out.empty() || out.back() != '/')
            out += c;
    if (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

struct Current {
    std::mutex mutex;
    std::list<MemberFolders> kept;  // never shrinks: references handed out stay valid
    std::atomic<const MemberFolders*> folders{nullptr};
};

Current& current() {
    static Current state;
    return state;
}

}  // namespace

const MemberFile* MemberFolders::find_file(std::string_view name) const {
    for (const MemberFile& row : files)
        if (row.name == name)
            return &row;
    return nullptr;
}

const std::string& MemberFolders::folder(MemberFolder which) const {
    return which == MemberFolder::config ? config_folder : state_folder;
}

std::string MemberFolders::file(std::string_view name) const {
    const MemberFile* row = find_file(name);
    return row ? folder(row->folder) + "/" + std::string(name) : std::string();
}

std::string xdg_config_home(const FolderEnvironment& environment) {
    return base_folder(environment.config_home, environment.home, "/.config");
}

std::string absolute_or_empty(const std::string& variable) {
    return !variable.empty() && variable.front() == '/' ? variable : std::string();
}

MemberFolders decide_member_folders(const std::string& program_folder, const std::string& profile,
                                    const FolderEnvironment& environment) {
    MemberFolders folders;
    folders.program_folder = program_folder;
    folders.profile = profile;
    folders.named_config_file = environment.named_config;
    for (char c : environment.named_config)
        folders.named_config += c == '\\' ? '/' : c;
    const std::string& home = environment.home;
    folders.cache_folder = base_folder(environment.cache_home, home, "/.cache") + "/quilbex";
    const std::string below = profile.empty() ? "" : "/profiles/" + profile;

    bool under_usr = program_folder == "/usr" || program_folder.starts_with("/usr/");
    if (under_usr || !environment.program_folder_writable) {
        folders.layout = Layout::installed;
        folders.reason = under_usr ? "程序文件夹在 /usr 之下" : "程序文件夹不可写";
        folders.shared_config_folder = xdg_config_home(environment) + "/quilbex";
        folders.config_folder = folders.shared_config_folder + below;
        folders.state_folder = base_folder(environment.state_home, home, "/.local/state") + "/quilbex" + below;
    } else {
        folders.layout = Layout::portable;
        folders.reason = "程序文件夹可写，且不在 /usr 之下";
        folders.shared_config_folder = program_folder;
        folders.config_folder = program_folder + below;
        folders.state_folder = program_folder + below;
    }
    return folders;
}

FolderEnvironment current_folder_environment(const std::string& program_folder) {
    FolderEnvironment environment;
    environment.home = home_folder();
    environment.config_home = kernel::environment(kConfigHomeVariable);
    environment.state_home = kernel::environment(kStateHomeVariable);
    environment.cache_home = kernel::environment("XDG_CACHE_HOME");
    environment.named_config = kernel::environment(kNamedConfigVariable);
    environment.program_folder_writable = ::access(program_folder.c_str(), W_OK) == 0;
    return environment;
}

void set_member_folders(const MemberFolders& folders) {
    Current& state = current();
    std::lock_guard lock(state.mutex);
    state.folders = &state.kept.emplace_back(folders);
}

const MemberFolders& member_folders() {
    Current& state = current();
    if (const MemberFolders* folders = state.folders.load())
        return *folders;
    std::lock_guard lock(state.mutex);
    if (!state.folders.load()) {
        std::string program = executable_directory();
        FolderEnvironment environment = current_folder_environment(program);
        environment.program_folder_writable = true;  // until decided: the layout of old
        MemberFolders portable = decide_member_folders(program, "", environment);
        state.folders = &state.kept.emplace_back(portable);
    }
    return *state.folders.load();
}

std::string redirect_member_file(const std::string& native) {
    const MemberFolders& folders = member_folders();
    if (folders.layout == Layout::portable && folders.profile.empty())
        return native;  // every file beside the program
    if (!folders.named_config.empty() && native == folders.named_config)
        return native;  // named by the member, even when it lies beside the program
    std::size_t slash = native.rfind('/');
    if (slash == std::string::npos)
        return native;
    if (collapse_slashes(native.substr(0, slash + 1)) != folders.program_folder)
        return native;
    std::string name = native.substr(slash + 1);
    const MemberFile* row = folders.find_file(name);
    if (!row)
        return native;
    struct stat st {};
    if (name == kConfigFileName && ::lstat(folders.config_file().c_str(), &st) != 0)
        return folders.shared_config_file();
    return folders.folder(row->folder) + "/" + name;
}

std::optional<unsigned> private_file_mode(const std::string& native) {
    const MemberFolders& folders = member_folders();
    const std::string file = collapse_slashes(native);
    for (const MemberFile& row : folders.files) {
        if ((row.mode & 077) != 0)
            continue;
        if (file == folders.file(row.name) || (row.name == kConfigFileName && file == folders.shared_config_file()))
            return row.mode;
    }
    return std::nullopt;
}

unsigned member_file_mode(std::string_view name) {
    const MemberFile* row = member_folders().find_file(name);
    return row ? row->mode : 0644u;
}

std::vector<std::string> make_member_folders(const MemberFolders& folders) {
    std::vector<std::string> failed;
    for (const std::string* folder : {&folders.config_folder, &folders.state_folder}) {
        // Each missing folder on the way, as `mkdir -p -m 0700` makes them.
        for (std::size_t end = 1; end != std::string::npos;) {
            end = folder->find('/', end + 1);
            std::string part = folder->substr(0, end);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
                failed.push_back(*folder);
                break;
            }
        }
        struct stat made {};
        if (failed.empty() || failed.back() != *folder)
            if (::stat(folder->c_str(), &made) != 0 || !S_ISDIR(made.st_mode))
                failed.push_back(*folder);
    }
    return failed;
}

}  // namespace quilbex::kernel
