#pragma once
// Where a member's files live, decided once at start.
//
// Portable layout (the program in a folder the member can write to, outside
// /usr): every file beside the program, as the program has always kept them.
// Installed layout (the program under /usr, or in a folder the member cannot
// write to): nothing is written into the program folder; the member's
// settings go to $XDG_CONFIG_HOME/quilbex and the history and run lock to
// $XDG_STATE_HOME/quilbex, in folders only the member can enter. A named
// member (a profile) has a folder of its own below each: profiles/NAME. A
// profile without a Config.ini of its own uses the default member's, so that
// the services need to be named once.
//
// The runtime and the application keep naming these files in the program
// folder ("<program folder>/Cookie.ini"); redirect_member_file, which every
// file name passes through on its way to the file system, puts each where
// it lives, as Windows redirects the writes of old programs installed where
// the user cannot write.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quilbex::kernel {

enum class Layout { portable, installed };

inline constexpr const char* kCookieFileName = "Cookie.ini";
inline constexpr const char* kConfigFileName = "Config.ini";
inline constexpr const char* kHistoryFileName = "History.log";
inline constexpr const char* kOldHistoryFileName = "History.log.1";
inline constexpr const char* kLockFileName = "Daily.lock";

enum class MemberFolder { config, state };
enum class ShownByWhere { no, yes };

// One file of the member's, as the program names it in its own folder.
struct MemberFile {
    std::string_view name;
    MemberFolder folder;
    // The permission bits it is made with. A file whose bits give nothing to
    // others holds the member's login or secrets: every save puts them back,
    // whatever the file had.
    unsigned mode;
    ShownByWhere shown;  // listed by "quilbex --where"
};

// Every member file. The redirection of the program's names, the folders,
// the permission bits and the --where listing all read this table.
//
//   name            folder  mode  --where  what it holds
//   Cookie.ini      config  0600  yes      the forum login
//   Config.ini      config  0600  yes      services and alert channels (passwords, tokens)
//   History.log     state   0644  yes      one line per sign-in, draw and quote
//   History.log.1   state   0644  no       the older lines, once History.log was full
//   Daily.lock      state   0644  yes      held by the run that signs in
inline constexpr MemberFile kMemberFiles[] = {
    {kCookieFileName, MemberFolder::config, 0600, ShownByWhere::yes},
    {kConfigFileName, MemberFolder::config, 0600, ShownByWhere::yes},
    {kHistoryFileName, MemberFolder::state, 0644, ShownByWhere::yes},
    {kOldHistoryFileName, MemberFolder::state, 0644, ShownByWhere::no},
    {kLockFileName, MemberFolder::state, 0644, ShownByWhere::yes},
};

// The environment variables that place the member's files; a scheduled run
// is given the ones set at install time under the same names.
inline constexpr const char* kNamedConfigVariable = "QUILBEX_CONFIG";
inline constexpr const char* kConfigHomeVariable = "XDG_CONFIG_HOME";
inline constexpr const char* kStateHomeVariable = "XDG_STATE_HOME";

// What the decision looks at besides the program folder and the profile.
struct FolderEnvironment {
    std::string home;  // the member's home folder
    std::string config_home;  // $XDG_CONFIG_HOME, $XDG_STATE_HOME, $XDG_CACHE_HOME as set
    std::string state_home;
    std::string cache_home;
    std::string named_config;  // $QUILBEX_CONFIG: a settings file named wherever the member keeps it
    bool program_folder_writable = true;
};

struct MemberFolders {
    Layout layout = Layout::portable;
    std::string reason;  // why this layout (UTF-8)
    std::string program_folder;
    std::string profile;  // empty: the default member
    std::string config_folder;  // Cookie.ini, Config.ini
    std::string shared_config_folder;  // the default member's: their Config.ini serves every profile without one
    std::string state_folder;  // History.log, Daily.lock
    std::string cache_folder;  // the browser engine's working folders
    std::string named_config;  // the settings file $QUILBEX_CONFIG names, never moved ("/" separators)
    std::string named_config_file;  // the same exactly as named: the file system's name of the file
    std::span<const MemberFile> files = kMemberFiles;

    // The row of `name` in `files`, or nullptr.
    const MemberFile* find_file(std::string_view name) const;
    const std::string& folder(MemberFolder which) const;
    // Where the member file `name` (a row of `files`) lives; "" for another name.
    std::string file(std::string_view name) const;

    std::string cookie_file() const { return file(kCookieFileName); }
    std::string config_file() const { return file(kConfigFileName); }
    std::string shared_config_file() const { return shared_config_folder + "/" + kConfigFileName; }
    std::string history_file() const { return file(kHistoryFileName); }
    std::string lock_file() const { return file(kLockFileName); }
};

// The decision itself, from the program folder (a native path without a
// trailing "/"), a valid profile name or "", and the environment.
MemberFolders decide_member_folders(const std::string& program_folder, const std::string& profile,
                                    const FolderEnvironment& environment);

// This process's environment for a program in `program_folder`: the one
// place that reads $HOME, the XDG variables and $QUILBEX_CONFIG.
FolderEnvironment current_folder_environment(const std::string& program_folder);

// The member's XDG config folder: $XDG_CONFIG_HOME when absolute, else
// ~/.config (XDG's rules ignore a relative value).
std::string xdg_config_home(const FolderEnvironment& environment);
// An XDG variable's value as XDG reads it: itself when absolute, else "".
std::string absolute_or_empty(const std::string& variable);

// The process-wide decision: set once at start, before any thread runs.
// Until then it is the portable layout of the executable's folder.
void set_member_folders(const MemberFolders& folders);
const MemberFolders& member_folders();

// A native file name as the program gives it, turned into where the file
// lives: the member files named in the program folder go to the member's
// folders; every other name is returned as it is.
std::string redirect_member_file(const std::string& native);

// The permission bits a member file must have whatever it had (a row whose
// mode gives nothing to others, in either layout), or nothing for any other
// file. `native` is where the file lives.
std::optional<unsigned> private_file_mode(const std::string& native);

// The permission bits the member file `name` is made with (0644 for a name
// that is not in the table).
unsigned member_file_mode(std::string_view name);

// Makes the member's folders that do not exist yet (mode 0700). Returns the
// folders that could not be made.
std::vector<std::string> make_member_folders(const MemberFolders& folders);

}  // namespace quilbex::kernel
