#include "app/net/NetConfig.h"

#include "platform/kernel/CodePage.h"
#include "platform/kernel/ProfileFile.h"
#include "platform/wininet/TlsTrust.h"

#include <cstdlib>
#include <sys/stat.h>

namespace quilbex::app {

namespace {

NetConfig& installed() {
    static NetConfig config;
    return config;
}

std::string read_value(const std::string& file, const char* section, const char* key) {
    char buffer[2048];
    kernel::GetPrivateProfileStringA(section, key, "", buffer, sizeof buffer, file.c_str());
    return buffer;
}

void read_host(const std::string& file, const char* key, std::string& host) {
    std::string value = read_value(file, "HOSTS", key);
    if (!value.empty())
        host = value;
}

std::string folder_of(const std::string& path) {
    auto slash = kernel::native_path(path).rfind('/');
    return slash == std::string::npos ? std::string(".") : kernel::native_path(path).substr(0, slash);
}

bool file_exists(const std::string& native) {
    struct stat st {};
    return ::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::string config_file_path(const std::string& program_dir) {
    if (const char* named = std::getenv("QUILBEX_CONFIG"); named && *named)
        return kernel::utf8_to_gbk(named);
    return program_dir + "\\Config.ini";
}

NetConfig read_net_config(const std::string& config_file, const std::string& program_dir) {
    NetConfig config;
    read_host(config_file, "forum", config.hosts.forum);
    read_host(config_file, "api", config.hosts.api);
    read_host(config_file, "quote", config.hosts.quote);
    read_host(config_file, "account", config.hosts.account);

    std::string ca = read_value(config_file, "TLS", "ca_file");
    if (!ca.empty()) {
        std::string native = kernel::native_path(ca);
        config.ca_file = native.front() == '/' ? native : folder_of(config_file) + "/" + native;
    } else {
        std::string demo = kernel::native_path(program_dir) + "/sim-certs/ca.pem";
        if (file_exists(demo))
            config.ca_file = demo;
    }
    config.insecure = read_value(config_file, "TLS", "insecure") == "1";
    return config;
}

void install_net_config(const NetConfig& config) {
    installed() = config;
    wininet::set_extra_ca_file(config.ca_file);
    wininet::set_insecure(config.insecure);
}

const NetConfig& net_config() { return installed(); }

}  // namespace quilbex::app
