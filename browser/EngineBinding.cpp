#include "browser/EngineBinding.h"

#include "browser/Shlwapi.h"
#include "browser/Texts.h"
#include "browser_messages/BrowserMessages.h"
#include "engine/GlEnvironment.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/ModuleRegistry.h"
#include "platform/ui/User32.h"
#include "platform/wininet/ProxyPolicy.h"
#include "platform/wininet/TlsTrust.h"
#include "runtime/Memory.h"
#include "runtime/Notifications.h"

#include <cstdio>
#include <vector>

namespace quilbex::browser {

namespace {

constexpr std::uint32_t kNotifyProgramPath = 1006;
constexpr std::uintptr_t kProgramFolder = 2001;

bool is_separator(char c) { return c == '\\' || c == '/'; }

std::vector<std::string>& trusted_hosts() {
    static std::vector<std::string> hosts;
    return hosts;
}

// Hands the process's proxy decision to an engine that offers the proxy
// function, so that the login window's pages take the same way out as the
// program's own requests; an engine without it follows the desktop.
void apply_engine_proxy(win::HMODULE module) {
    using SetProxyFn = void (*)(const char*, const char*, const char*);
    auto set_proxy = reinterpret_cast<SetProxyFn>(kernel::GetProcAddress(module, "wkeQuilbexSetProxy"));
    if (!set_proxy)
        return;
    wininet::EngineProxy proxy = wininet::engine_proxy();
    set_proxy(proxy.http.c_str(), proxy.https.c_str(), proxy.ignore_list().c_str());
}

// Hands the configured trust to an engine that offers the trust function; an
// engine without it trusts only what WebKit trusts.
void apply_engine_trust(win::HMODULE module) {
    const std::string ca_file = wininet::tls_trust().extra_ca_file;
    if (ca_file.empty())
        return;
    using AllowFn = bool (*)(const char*, const char*);
    auto allow = reinterpret_cast<AllowFn>(kernel::GetProcAddress(module, "wkeQuilbexAllowCertificate"));
    if (!allow)
        return;
    for (const std::string& host : trusted_hosts()) {
        // "name:port", or "[IPv6]:port" whose address holds colons of its own.
        std::string name =
            !host.empty() && host.front() == '[' ? host.substr(0, host.find(']') + 1) : host.substr(0, host.rfind(':'));
        if (!name.empty())
            allow(name.c_str(), ca_file.c_str());
    }
}

void show_error(const std::string& text) {
    ui::MessageBoxA(nullptr, text.c_str(), messages::error_caption(), ui::MB_OK);
}

}  // namespace

void set_engine_trusted_hosts(std::vector<std::string> hosts) { trusted_hosts() = std::move(hosts); }

void prepare_engine_environment() { engine::keep_gl_out_of_the_process(); }

std::string program_folder() {
    char* text = reinterpret_cast<char*>(rt::runtime_notify(kNotifyProgramPath, kProgramFolder, 0));
    std::string folder = text ? text : "";
    rt::release(text);
    return folder;
}

std::string engine_path_for(const std::string& program_dir) {
    std::string dir = program_dir;
    const size_t n = dir.size();
    // A program in a folder named "lib" finds the engine one folder up. Only a
    // whole folder name counts: "mylib\" must not become "my".
    if (n >= 4 && is_separator(dir[n - 1]) && dir.compare(n - 4, 3, "lib") == 0 && (n == 4 || is_separator(dir[n - 5])))
        dir.erase(n - 4);
    return dir + "node.dll";
}

EngineBinding& EngineBinding::process() {
    static EngineBinding binding;
    return binding;
}

void EngineBinding::locate() {
    m_located = true;
    const std::string candidate = engine_path_for(program_folder());
    register_shlwapi();
    win::HMODULE shlwapi = kernel::LoadLibraryA("Shlwapi.dll");
    if (!shlwapi) {
        show_error(messages::shlwapi_missing());
        m_path = "node.dll";
        return;
    }
    auto exists = reinterpret_cast<win::BOOL (*)(win::LPCWSTR)>(kernel::GetProcAddress(shlwapi, "PathFileExistsW"));
    if (!exists) {
        show_error(messages::path_file_exists_missing());
        m_path = "node.dll";
        return;
    }
    if (exists(gbk_to_utf16(candidate).c_str())) {
        m_path = candidate;
        return;
    }
    m_path = "node.dll";
    std::vector<char> text(std::string(messages::engine_missing()).size() + candidate.size() + 1);
    std::snprintf(text.data(), text.size(), messages::engine_missing(), candidate.c_str());
    show_error(text.data());
}

void EngineBinding::bind_all() {
    auto bind = [this](const char* name) -> win::FARPROC {
        win::FARPROC address = kernel::GetProcAddress(m_module, name);
        if (!address && m_reported_missing.insert(name).second)
            ui::MessageBoxA(nullptr, messages::api_not_found(), name, ui::MB_OK);
        return address;
    };
#define WKE_FN(name) m_functions.name = reinterpret_cast<decltype(&::name)>(bind(#name));
#include "browser/EngineFunctions.inc"
#undef WKE_FN
    m_functions.wkeQuilbexGetCookieExpires = reinterpret_cast<decltype(&::wkeQuilbexGetCookieExpires)>(
        kernel::GetProcAddress(m_module, "wkeQuilbexGetCookieExpires"));
}

bool EngineBinding::prepare() {
    if (!m_located)
        locate();
    const EngineFunctions& f = m_functions;
    if (!(f.wkeIsInitialize && f.wkeIsInitialize())) {
        if (!m_module) {
            // The registry takes the program's GBK file names and converts them itself.
            m_module = kernel::LoadLibraryA(m_path.c_str());
            if (!m_module)
                return false;
            bind_all();
        }
        if (!f.wkeInitializeEx)
            return false;
        const wkeSettings settings{};
        f.wkeInitializeEx(&settings);
        apply_engine_trust(m_module);
        apply_engine_proxy(m_module);
    }
    return f.wkeCreateWebWindow && (!f.wkeIsInitialize || f.wkeIsInitialize());
}

}  // namespace quilbex::browser
