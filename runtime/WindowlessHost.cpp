#include "runtime/ErrorReport.h"
#include "runtime/RuntimeApp.h"
#include "runtime/WindowHost.h"
#include "runtime_messages/RuntimeMessages.h"

#include <cstdio>
#include <iconv.h>
#include <memory>
#include <mutex>

namespace quilbex::rt {
namespace {

inline constexpr int kIdOk = 1;

std::string gbk_to_utf8_for_terminal(const char* gbk) {
    std::string input = gbk ? gbk : "";
    iconv_t cd = iconv_open("UTF-8", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return input;
    std::unique_ptr<void, int (*)(iconv_t)> closer(cd, iconv_close);
    std::string out(input.size() * 3 + 4, '\0');
    char* in_ptr = input.data();
    size_t in_left = input.size();
    char* out_ptr = out.data();
    size_t out_left = out.size();
    while (in_left > 0) {
        if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<size_t>(-1))
            break;
        if (out_left == 0)
            break;
        // A byte that is not GBK is shown as "?" and skipped.
        *out_ptr++ = '?';
        --out_left;
        ++in_ptr;
        --in_left;
    }
    out.resize(out.size() - out_left);
    return out;
}

// A program without a window system: there are no windows to load, and the
// window-facing requests answer as they would with no window loaded.
class WindowlessHost final : public WindowHost {
public:
    bool read_templates(const ProgramHeader&) override { return false; }
    void create_hidden_owner() override {}
    void destroy_hidden_owner() override {}
    bool request_exit_from_worker(std::uint32_t) override { return false; }
    bool load_startup_window(std::uint32_t) override { return false; }
    bool any_window_live() override { return false; }
    std::uint32_t run_message_loop() override { return 0; }
    void clear_idle_callbacks() override {}
    void destroy_all_windows() override {}
    void release_resources() override {}

    std::string describe_for_error(std::uint32_t, std::uint32_t) override { return messages::window_not_found(); }

    int message_box(const char* text, const char* caption, std::uint32_t) override {
        write_message_box_to_stderr(text, caption);
        return kIdOk;
    }

    std::int64_t notify(std::uint32_t code, std::uintptr_t, std::uintptr_t arg2, bool& handled) override {
        auto& app = runtime_app();
        switch (code) {
        case 2005: return -1;  // no window can be loaded
        case 2007: report_runtime_error(messages::component_missing(), 0, 0, static_cast<std::uint32_t>(arg2));
        case 2009: ++app.suppressCount; return 0;
        case 2010:
            if (app.suppressCount > 0)
                --app.suppressCount;
            return 0;
        case 1001:
        case 1014:
        case 2006:
        case 2008:
        case 2017:
        case 2018:
        case 2031:
        case 2032:
        case 2033: return 0;
        default: handled = false; return 0;
        }
    }

    std::uint64_t read_property(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t, std::int32_t) override {
        report_runtime_error(messages::property_window_not_loaded(), 0, window_id, unit_id);
    }
    void write_property(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t, std::int32_t,
                        std::uint64_t) override {
        report_runtime_error(messages::property_window_not_loaded(), 0, window_id, unit_id);
    }
};

std::unique_ptr<WindowHost>& installed_host() {
    static std::unique_ptr<WindowHost> host = make_windowless_host();
    return host;
}

}  // namespace

void write_message_box_to_stderr(const char* text, const char* caption) {
    static std::mutex output;
    std::lock_guard lock(output);
    std::string out = "[" + gbk_to_utf8_for_terminal(caption) + "]\n" + gbk_to_utf8_for_terminal(text) + "\n";
    std::fwrite(out.data(), 1, out.size(), stderr);
    std::fflush(stderr);
}

std::unique_ptr<WindowHost> make_windowless_host() { return std::make_unique<WindowlessHost>(); }

WindowHost& window_host() { return *installed_host(); }

std::unique_ptr<WindowHost> set_window_host(std::unique_ptr<WindowHost> host) {
    auto previous = std::move(installed_host());
    installed_host() = host ? std::move(host) : make_windowless_host();
    return previous;
}

}  // namespace quilbex::rt
