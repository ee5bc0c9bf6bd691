#include "app/cli/CommandLine.h"

#include "platform/kernel/Utf8.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <stdexcept>
#include <string_view>

namespace quilbex::app {

namespace {

// A whole positive number up to `limit`, or 0.
int positive_number(const std::string& text, int limit) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    int value = std::atoi(text.c_str());
    return value <= limit ? value : 0;
}

// How an option takes its value. `next_word`: an optional value given as the
// following word ("--history 3"), which getopt_long's optional arguments do
// not take.
enum class Value { none, required, next_word };

// Applies an option's value to the record; fails with what is wrong with it.
using Apply = kernel::Result<void> (*)(CommandLine&, const std::string& value);

struct OptionRow {
    const char* name;
    Value value;
    std::optional<Mode> selects;  // the mode this option chooses
    std::optional<Mode> only_with;  // the mode this option belongs to
    Apply apply;
    const char* usage;  // how the help text shows it: "--history [DAYS]"
    const char* help;  // its line in the help text (UTF-8)
};

kernel::Result<void> nothing(CommandLine&, const std::string&) { return {}; }

// Works when `ok`; fails with `reason` otherwise.
kernel::Result<void> unless(bool ok, std::string reason) {
    if (ok)
        return {};
    return kernel::Failure{std::move(reason)};
}

kernel::Result<void> set_history_days(CommandLine& line, const std::string& value) {
    line.history_days = positive_number(value, 3660);
    return unless(line.history_days != 0, "--history 的天数应为正整数");
}

kernel::Result<void> set_daily_time(CommandLine& line, const std::string& value) {
    auto parsed = parse_daily_time(value);
    if (!parsed)
        return kernel::Failure{"时间应写成 HH:MM，例如 08:30"};
    line.daily_time = *parsed;
    return {};
}

kernel::Result<void> set_profile(CommandLine& line, const std::string& value) {
    line.profile = value;
    if (!value.empty() && value[0] == '-')
        return kernel::Failure{"--profile 后面应是成员名，不能以 '-' 开头: " + value};
    return unless(valid_profile_name(value), "成员名只能由字母、数字、'-' 和 '_' 组成: " + value);
}

kernel::Result<void> set_message(CommandLine& line, const std::string& value) {
    line.sign_in.message = value;
    return unless(!value.empty(), "--message 的签到文本不能是空的");
}

kernel::Result<void> set_quiet(CommandLine& line, const std::string&) {
    line.sign_in.verbosity = Verbosity::quiet;
    return {};
}

kernel::Result<void> set_force(CommandLine& line, const std::string&) {
    line.force = true;
    return {};
}

kernel::Result<void> set_wait(CommandLine& line, const std::string& value) {
    int seconds = positive_number(value, 86400);
    line.sign_in.wait = std::chrono::seconds(seconds);
    return unless(seconds != 0, "--wait 需要一个正整数秒数");
}

kernel::Result<void> set_retry(CommandLine& line, const std::string& value) {
    auto waits = parse_retry_waits(value);
    if (!waits)
        return kernel::Failure{"--retry 需要以逗号分隔的秒数，例如 60,300,900；0 表示不重试"};
    line.sign_in.retry_waits = *waits;
    return {};
}

kernel::Result<void> set_cookie_source(CommandLine& line, const std::string& value) {
    line.cookie_source = value;
    return {};
}

// Every option, in the order of the help text. An option that belongs to a
// mode follows that mode's row and is indented under it.
// clang-format off
const std::array kOptions{
    OptionRow{"sign-in", Value::none, Mode::sign_in, {}, nothing,
               "--sign-in [选项]", "不开窗口签到并抽奖，逐行显示结果"},
    OptionRow{"message", Value::required, {}, Mode::sign_in, set_message,
               "--message TEXT", "签到文本（否则用 Config.ini [DAILY] message，再否则取每日一句）"},
    OptionRow{"quiet", Value::none, {}, Mode::sign_in, set_quiet,
               "--quiet", "只显示错误"},
    OptionRow{"wait", Value::required, {}, Mode::sign_in, set_wait,
               "--wait SECONDS", "另一次签到进行中时最多等待的秒数（默认 120）"},
    OptionRow{"retry", Value::required, {}, Mode::sign_in, set_retry,
               "--retry S[,S...]", "网络无应答时依次等待这些秒数后再试（默认 60,300,900；0 不重试）"},
    OptionRow{"history", Value::next_word, Mode::history, {}, set_history_days,
               "--history [DAYS]", "显示最近 DAYS 天（默认 7）的签到和抽奖记录"},
    OptionRow{"install-daily", Value::next_word, Mode::install_daily, {}, set_daily_time,
               "--install-daily [HH:MM]", "安装每日定时签到（默认 08:30，随机推迟至多 30 分钟）"},
    OptionRow{"force", Value::none, {}, Mode::install_daily, set_force,
               "--force", "没有运行的 cron 服务时也在 crontab 中加入"},
    OptionRow{"uninstall-daily", Value::none, Mode::uninstall_daily, {}, nothing,
               "--uninstall-daily", "删除每日定时签到"},
    OptionRow{"status", Value::none, Mode::status, {}, nothing,
               "--status", "列出本用户安装的所有每日定时签到"},
    OptionRow{"notify-test", Value::none, Mode::notify_test, {}, nothing,
               "--notify-test", "经 Config.ini [NOTIFY] 的每个提醒渠道发一条测试提醒"},
    OptionRow{"profiles", Value::none, Mode::profiles, {}, nothing,
               "--profiles", "列出保存了 Cookie 的成员及各自最后的结果"},
    OptionRow{"login", Value::none, Mode::login, {}, nothing,
               "--login", "只打开登录窗口；登录后为成员保存 Cookie 并签到一次"},
    OptionRow{"export-cookie", Value::none, Mode::export_cookie, {}, nothing,
               "--export-cookie", "在标准输出上显示成员保存的 Cookie 和有效期"},
    OptionRow{"import-cookie", Value::next_word, Mode::import_cookie, {}, set_cookie_source,
               "--import-cookie [FILE|-]", "从文件或标准输入读入 Cookie 为成员保存（--export-cookie 的输出、浏览器的 Cookie: 行或 Cookie.ini）"},
    OptionRow{"where", Value::none, Mode::where, {}, nothing,
               "--where", "显示各个文件的位置"},
    OptionRow{"setup", Value::none, Mode::setup, {}, nothing,
               "--setup", "打开设置窗口：论坛地址、其他主机、签到文本和每日定时签到"},
    OptionRow{"profile", Value::required, {}, {}, set_profile,
               "--profile NAME", "使用成员 NAME 的文件（字母、数字、'-'、'_'，不以 '-' 开头），可与任何命令同用"},
    OptionRow{"help", Value::none, Mode::help, {}, nothing,
               "-h, --help", "显示本说明"},
    OptionRow{"version", Value::none, Mode::version, {}, nothing,
               "--version", "显示版本"},
};
// clang-format on

const OptionRow& option_named(std::string_view name) {
    for (const OptionRow& option : kOptions)
        if (name == option.name)
            return option;
    throw std::logic_error("no such option");
}

std::string build_help() {
    constexpr std::size_t kHelpColumn = 27;
    std::string text = "用法: quilbex [--profile NAME] [命令]\n";
    text += "  (无命令)                 打开窗口\n";
    for (const OptionRow& option : kOptions) {
        std::string usage = (option.only_with ? "      " : "  ") + std::string(option.usage);
        std::size_t width = kernel::display_width(usage);
        text += usage + std::string(width < kHelpColumn ? kHelpColumn - width : 1, ' ') + option.help + "\n";
    }
    text += "退出状态 (--sign-in):\n";
    for (const RunOutcome& outcome : run_outcomes())
        text += "  " + std::to_string(outcome.exit_status()) + "  " + outcome.meaning + "\n";
    return text;
}

const char* mode_option(Mode mode) {
    for (const OptionRow& option : kOptions)
        if (option.selects == mode)
            return option.name;
    return "";
}

// getopt_long's codes for the long options: kFirstOption plus the index in
// kOptions, clear of the short options' and getopt's own codes.
constexpr int kFirstOption = 0x100;

// getopt_long's table.
std::vector<option> long_options() {
    std::vector<option> table;
    for (std::size_t i = 0; i < kOptions.size(); ++i)
        table.push_back({kOptions[i].name, kOptions[i].value == Value::required ? required_argument : no_argument,
                         nullptr, kFirstOption + static_cast<int>(i)});
    table.push_back({nullptr, 0, nullptr, 0});
    return table;
}

constexpr int kShortHelp = 'h';
constexpr int kWord = 1;  // a word that is not an option ('-' at the start of the short options)

}  // namespace

const std::string& command_line_help() {
    static const std::string help = build_help();
    return help;
}

kernel::Result<CommandLine> parse_command_line(const std::vector<std::string>& args) {
    // getopt_long wants writable words and a program name in front.
    std::vector<std::string> words{"quilbex"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::vector<option> table = long_options();

    CommandLine line;
    bool mode_given = false;
    std::vector<const OptionRow*> given;
    const OptionRow* awaiting_word = nullptr;  // an option that may take the next word as its value
    auto fail = [](std::string text) { return kernel::Failure{std::move(text)}; };

    optind = 0;  // a fresh scan (glibc), also when a process parses twice
    opterr = 0;  // the errors are ours, in the program's language
    for (;;) {
        int index = -1;
        int code = getopt_long(static_cast<int>(argv.size() - 1), argv.data(), "-:h", table.data(), &index);
        if (code == -1)
            break;
        const char* offending = argv[optind - 1];
        if (code == kWord) {
            if (!awaiting_word)
                return fail(std::string("多余的参数: ") + optarg);
            if (auto applied = awaiting_word->apply(line, optarg); !applied)
                return fail(applied.reason());
            awaiting_word = nullptr;
            continue;
        }
        awaiting_word = nullptr;
        if (code == ':')
            return fail(std::string("选项 ") + offending + " 缺少参数");
        if (code == '?')
            return fail(std::string("不认识的参数: ") + (optopt ? std::string("-") + char(optopt) : offending));
        const OptionRow& row =
            code == kShortHelp ? option_named("help") : kOptions.at(static_cast<std::size_t>(code - kFirstOption));
        if (row.selects) {
            if (mode_given)
                return fail(std::string("一次只能给一个命令: --") + mode_option(line.mode) + " 和 --" + row.name);
            mode_given = true;
            line.mode = *row.selects;
        }
        if (row.value == Value::next_word)
            awaiting_word = &row;  // its value, if any, is the next word
        else if (auto applied = row.apply(line, optarg ? optarg : ""); !applied)
            return fail(applied.reason());
        given.push_back(&row);
    }
    for (const OptionRow* row : given)
        if (row->only_with && *row->only_with != line.mode)
            return fail(std::string("--") + row->name + " 只能和 --" + mode_option(*row->only_with) + " 一起用");
    return line;
}

}  // namespace quilbex::app
