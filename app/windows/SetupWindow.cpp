#include "app/windows/SetupWindow.h"

#include "app/net/FirstStart.h"
#include "app/net/NetConfig.h"
#include "app/schedule/DailyMember.h"
#include "app/schedule/DailyTimer.h"
#include "app/windows/Controls.h"
#include "app/windows/SetupConfig.h"
#include "app/windows/SetupFields.h"
#include "app_templates/WindowTemplates.h"
#include "commands/Facade.h"
#include "forms/WindowCommands.h"
#include "forms/units/ButtonUnit.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/ui/WindowSystem.h"
#include "platform/wininet/HostCheck.h"
#include "runtime/CallFrame.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quilbex::app {
namespace {

namespace setup = forms::setup_window;
namespace main_window = forms::main_window;

// The common property 可视 (visible), index 5 of every unit.
constexpr std::int32_t kVisibleProperty = 5;
// A host that has not answered within this time is reported as a timeout.
constexpr std::chrono::seconds kCheckTimeout{15};

// The rows under "更多", hidden until the member asks for them.
constexpr std::uint32_t kMoreUnits[] = {
    setup::api_label,    setup::api_edit,   setup::quote_label, setup::quote_edit,    setup::account_label,
    setup::account_edit, setup::ca_label,   setup::ca_edit,     setup::message_label, setup::message_edit,
    setup::daily_button, setup::time_label, setup::time_edit,
};

// Window-thread state of the one set-up window.
bool g_more_shown = false;
bool g_daily_checked = false;

std::string gbk(const std::string& utf8) { return kernel::utf8_to_gbk(utf8); }

std::string field(std::uint32_t unit) {
    rt::OwnedText text = read_control_text(setup::kWindowId, unit);
    return text ? kernel::gbk_to_utf8(text.get()) : std::string();
}

void set_field(std::uint32_t unit, const std::string& utf8) {
    write_control_text(setup::kWindowId, unit, gbk(utf8).c_str());
}

// A button's caption is its third property (after its picture and type).
void set_caption(std::uint32_t unit, const char* utf8) {
    constexpr std::int32_t kCaptionProperty = kContentProperty + quilbex::forms::ButtonUnit::kCaption;
    std::string text = gbk(utf8);
    rt::entry_points().write_property(setup::kWindowId, unit, kCaptionProperty, kNoElement,
                                      reinterpret_cast<std::uintptr_t>(text.c_str()));
}

void show_message(const std::string& utf8) {
    std::string text = gbk(utf8);
    rt::ArgRecord args[] = {rt::ArgRecord::of_pointer(text.c_str(), rt::kTypeText), rt::ArgRecord::of_int(0)};
    rt::call_core_command(quilbex::forms::lib::message_box, 2, args);
}

rt::ArgRecord window_reference(std::uint32_t window_id, std::uint32_t unit_id) {
    return rt::ArgRecord::of_unit(window_id, unit_id, rt::kTypeWindowReference);
}

SetupValues values_of_fields() {
    return {field(setup::forum_edit),   field(setup::api_edit), field(setup::quote_edit),
            field(setup::account_edit), field(setup::ca_edit),  field(setup::message_edit)};
}

// ---- the connection check, on a worker -------------------------------------

struct CheckJob {
    std::vector<HostToCheck> hosts;
    wininet::TlsTrust trust;
};

std::mutex g_job_mutex;
std::optional<CheckJob> g_pending_job;
std::atomic<bool> g_checking{false};

// Appends a line to the result box, from any thread, while the window is there.
void append_result(const std::string& utf8) {
    std::string line = gbk(utf8) + "\r\n";
    rt::ArgRecord box[] = {window_reference(setup::kWindowId, setup::result_box),
                           rt::ArgRecord::of_pointer(line.c_str(), rt::kTypeText)};
    ui::WindowSystem::the().call_on_window_thread([&] {
        if (rt::call_core_command(quilbex::forms::lib::component_exists, 1, box).as_int() != 0)
            rt::call_core_command(quilbex::forms::lib::append_edit_text, 2, box);
    });
}

std::string fault_text(const wininet::HostCheck& check) {
    using wininet::HostFault;
    switch (check.fault) {
    case HostFault::none: return "可以连接";
    case HostFault::name_unresolved: return "域名无法解析（请检查地址的拼写）";
    case HostFault::refused: return "连接被拒绝（这个端口上没有服务）";
    case HostFault::unreachable: return "无法连接：" + check.detail;
    case HostFault::timeout: return "超时，没有应答";
    case HostFault::certificate_untrusted: return "证书不受信任（不是系统或“CA 证书”里的机构签发的）";
    case HostFault::certificate_expired: return "证书已过期";
    case HostFault::certificate_wrong_name: return "证书是发给别的域名的";
    case HostFault::tls_failed: return "TLS 握手失败：" + check.detail;
    case HostFault::no_library: return "无法加载 libcurl（" + check.detail + "）";
    }
    return check.detail;
}

win::DWORD check_worker(win::LPVOID) {
    std::optional<CheckJob> job;
    {
        std::lock_guard guard(g_job_mutex);
        job.swap(g_pending_job);
    }
    if (job) {
        int reachable = 0;
        for (const HostToCheck& entry : job->hosts) {
            if (entry.host.empty()) {
                append_result(entry.keys + "：不是一个网站地址");
                continue;
            }
            wininet::HostCheck check = wininet::check_host(entry.host, job->trust, kCheckTimeout);
            reachable += check.fault == wininet::HostFault::none;
            append_result(entry.keys + "  " + entry.host + "：" + fault_text(check));
        }
        append_result(reachable == static_cast<int>(job->hosts.size()) ? "全部可以连接。" : "有主机无法连接。");
    }
    g_checking = false;
    return 0;
}

}  // namespace

std::uint32_t setup_window_id() { return setup::kWindowId; }

rt::HandlerResult setup_window_created(const rt::HandlerCall&) {
    g_more_shown = false;
    g_daily_checked = false;
    const SetupValues values = read_setup_values(settings_file());
    set_field(setup::forum_edit, values.forum);
    set_field(setup::api_edit, values.api);
    set_field(setup::quote_edit, values.quote);
    set_field(setup::account_edit, values.account);
    set_field(setup::ca_edit, values.ca_file);
    set_field(setup::message_edit, values.message);
    set_field(setup::time_edit, clock_text(DailyTime{}));
    return {};
}

rt::HandlerResult setup_more_click(const rt::HandlerCall&) {
    g_more_shown = !g_more_shown;
    for (std::uint32_t unit : kMoreUnits)
        rt::entry_points().write_property(setup::kWindowId, unit, kVisibleProperty, kNoElement, g_more_shown ? 1 : 0);
    set_caption(setup::more_button, g_more_shown ? "更少 <<" : "更多 >>");
    return {};
}

rt::HandlerResult setup_daily_click(const rt::HandlerCall&) {
    g_daily_checked = !g_daily_checked;
    set_caption(setup::daily_button, g_daily_checked ? "√ 每天自动签到" : "□ 每天自动签到");
    return {};
}

rt::HandlerResult setup_test_click(const rt::HandlerCall&) {
    // One check at a time; a second click while one runs is ignored.
    if (g_checking.exchange(true))
        return {};
    const SetupValues values = values_of_fields();
    write_control_text(setup::kWindowId, setup::result_box, nullptr);
    // An authority that cannot be read would fail every handshake alike.
    if (std::string problem = setup_values_problem(values, settings_file()); !problem.empty()) {
        append_result(problem);
        g_checking = false;
        return {};
    }
    {
        std::lock_guard guard(g_job_mutex);
        g_pending_job =
            CheckJob{hosts_to_check(values),
                     wininet::TlsTrust{authority_path(settings_file(), values.ca_file), net_config().insecure}};
    }
    append_result("正在测试连接……");
    if (!commands::start_thread(check_worker)) {
        std::lock_guard guard(g_job_mutex);
        g_pending_job.reset();
        g_checking = false;
    }
    return {};
}

rt::HandlerResult setup_save_click(const rt::HandlerCall&) {
    const SetupValues values = values_of_fields();
    if (std::string problem = setup_values_problem(values, settings_file()); !problem.empty()) {
        show_message(problem);
        return {};
    }
    std::optional<DailyTime> time = parse_daily_time(field(setup::time_edit));
    if (g_daily_checked && !time) {
        show_message("每日签到的时间要写成 时:分，例如 08:30。");
        return {};
    }
    const std::string file = settings_file();
    if (!write_setup_values(file, values, config_template())) {
        show_message("无法写入设置文件 " + kernel::native_path(file) + "，什么都没有改变。");
        return {};
    }
    reload_service_settings();
    // A crontab line that no running cron daemon would read is refused, not
    // claimed: the member is told and can install it later from a terminal.
    if (g_daily_checked && install_daily(this_program_member(kernel::member_folders().profile), *time, false) != 0)
        show_message("设置已保存，但每日定时签到没有安装成功。可以稍后在终端运行 quilbex --install-daily 查看原因。");

    rt::ArgRecord main_args[] = {window_reference(main_window::kWindowId, main_window::window_unit), rt::ArgRecord{},
                                 rt::ArgRecord::of_bool(false)};
    rt::call_core_command(quilbex::forms::lib::load_window, 3, main_args);
    rt::ArgRecord self = window_reference(setup::kWindowId, setup::window_unit);
    rt::call_core_command(quilbex::forms::lib::close_window, 1, &self);
    return {};
}

rt::HandlerResult setup_cancel_click(const rt::HandlerCall&) {
    rt::ArgRecord self = window_reference(setup::kWindowId, setup::window_unit);
    rt::call_core_command(quilbex::forms::lib::close_window, 1, &self);
    return {};
}

}  // namespace quilbex::app
