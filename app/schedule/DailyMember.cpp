#include "app/schedule/DailyMember.h"

#include "platform/kernel/Paths.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace quilbex::app {

DailyMember this_program_member(const std::string& profile) {
    DailyMember member{kernel::executable_path(), profile, ""};
    const char* config = std::getenv("QUILBEX_CONFIG");
    if (config && *config) {
        std::error_code error;
        auto absolute = std::filesystem::absolute(config, error);
        member.config_path = error ? config : absolute.lexically_normal().string();
    }
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

std::string member_label(const std::string& program_path, const std::string& profile) {
    return profile.empty() ? program_path : program_path + "（配置 " + profile + "）";
}

}  // namespace quilbex::app
