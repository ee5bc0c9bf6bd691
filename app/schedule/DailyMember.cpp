#include "app/schedule/DailyMember.h"

#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Paths.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace quilbex::app {

DailyMember this_program_member(const std::string& profile) {
    const kernel::FolderEnvironment environment = kernel::current_folder_environment(kernel::executable_directory());
    DailyMember member{kernel::executable_path(), profile, "", "", ""};
    if (!environment.named_config.empty()) {
        std::error_code error;
        auto absolute = std::filesystem::absolute(environment.named_config, error);
        member.config_path = error ? environment.named_config : absolute.lexically_normal().string();
    }
    member.config_home = kernel::absolute_or_empty(environment.config_home);
    member.state_home = kernel::absolute_or_empty(environment.state_home);
    return member;
}

std::string member_unit_base(const DailyMember& member) {
    // FNV-1a: the same path gives the same name in every version and on every machine.
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : member.program_path) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(hash ^ (hash >> 32)));
    return member.profile.empty() ? std::string("quilbex-daily-") + hex : "quilbex-daily-" + member.profile + "-" + hex;
}

bool valid_profile_name(const std::string& name) {
    if (name.empty() || name.size() > 64 || name[0] == '-')
        return false;
    for (unsigned char c : name)
        if (!(std::isalnum(c) && c < 0x80) && c != '-' && c != '_')
            return false;
    return true;
}

std::vector<std::pair<std::string, std::string>> member_environment(const DailyMember& member) {
    std::vector<std::pair<std::string, std::string>> variables;
    for (const auto& [name, value] : {std::pair{kernel::kNamedConfigVariable, &member.config_path},
                                      std::pair{kernel::kConfigHomeVariable, &member.config_home},
                                      std::pair{kernel::kStateHomeVariable, &member.state_home}})
        if (!value->empty())
            variables.emplace_back(name, *value);
    return variables;
}

std::string member_label(const std::string& program_path, const std::string& profile) {
    return profile.empty() ? program_path : program_path + "（配置 " + profile + "）";
}

}  // namespace quilbex::app
