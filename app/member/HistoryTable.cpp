#include "app/member/HistoryTable.h"

#include "app/member/History.h"
#include "app/member/ReplyText.h"
#include "platform/kernel/RegularFile.h"
#include "platform/kernel/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace quilbex::app {

namespace {

// "2026-12-07": the date part of the history's own local-time text.
std::string date_of(std::time_t when) { return local_time_text(when).substr(0, 10); }

}  // namespace

HistoryTable::HistoryTable(int days, std::time_t today) {
    if (days < 1)
        days = 1;
    for (int back = days - 1; back >= 0; --back) {
        // Noon keeps the step a whole day across daylight-saving changes.
        std::tm local{};
        localtime_r(&today, &local);
        local.tm_hour = 12;
        local.tm_mday -= back;
        std::string date = date_of(std::mktime(&local));
        m_dates.push_back(date);
        m_rows[date];
    }
}

void HistoryTable::add_line(std::string_view line) {
    auto fields = parse_history_line(line);
    if (!fields)
        return;
    auto row = m_rows.find(fields->when.substr(0, 10));
    if (row == m_rows.end())
        return;
    if (fields->step == "sign-in") {
        row->second.sign_in = marked_controls(fields->status);
    } else if (fields->step.starts_with("draw ")) {
        if (row->second.draws.size() < kDrawsShownPerDay)
            row->second.draws.push_back(marked_controls(fields->status));
        else
            row->second.more_draws = true;
    }
}

std::string HistoryTable::text() const {
    // The sign-in column is as wide as its widest text on a terminal, so the
    // draws start in one column whatever the width of the Chinese texts.
    const std::string heading = "签到";
    std::size_t width = kernel::display_width(heading);
    for (const auto& date : m_dates) {
        const std::string& sign_in = m_rows.find(date)->second.sign_in;
        width = std::max(width, kernel::display_width(sign_in.empty() ? "-" : sign_in));
    }
    auto padded = [&](const std::string& text) { return text + std::string(width - kernel::display_width(text), ' '); };
    std::string table = "日期        | " + padded(heading) + " | 抽奖\n";
    for (const auto& date : m_dates) {
        const DayRow& row = m_rows.find(date)->second;
        std::string draws;
        for (const auto& draw : row.draws)
            draws += (draws.empty() ? "" : "；") + draw;
        if (row.more_draws)
            draws += "；…";
        table += date + "  | " + padded(row.sign_in.empty() ? "-" : row.sign_in) + " | " +
                 (draws.empty() ? "-" : draws) + "\n";
    }
    return table;
}

std::string history_table(const std::string& history, int days, std::time_t today) {
    HistoryTable table(days, today);
    std::size_t start = 0;
    while (start < history.size()) {
        auto end = history.find('\n', start);
        if (end == std::string::npos)
            end = history.size();
        table.add_line(std::string_view(history).substr(start, end - start));
        start = end + 1;
    }
    return table.text();
}

kernel::Result<void> for_each_history_line(const std::string& file, const std::function<void(std::string_view)>& each) {
    kernel::Result<kernel::UniqueFd> opened = kernel::open_regular_file(file, O_RDONLY, 0);
    if (!opened) {
        if (::access(file.c_str(), F_OK) != 0 && errno == ENOENT)
            return {};
        return kernel::Failure{opened.reason()};
    }
    struct stat info {};
    if (::fstat(opened->get(), &info) != 0) {
        return kernel::Failure{std::strerror(errno)};
    }
    auto left = static_cast<std::uint64_t>(info.st_size);
    std::string line;
    bool too_long = false;
    char block[64 * 1024];
    while (left > 0) {
        ssize_t got = ::read(opened->get(), block, left < sizeof block ? left : sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            return kernel::Failure{std::strerror(errno)};
        }
        if (got == 0)
            break;
        left -= static_cast<std::uint64_t>(got);
        for (std::string_view rest(block, static_cast<std::size_t>(got)); !rest.empty();) {
            auto end = rest.find('\n');
            std::string_view piece = rest.substr(0, end);
            if (!too_long && line.size() + piece.size() <= kLongestHistoryLine)
                line.append(piece);
            else
                too_long = true;
            if (end == std::string_view::npos)
                break;
            if (!too_long)
                each(line);
            line.clear();
            too_long = false;
            rest.remove_prefix(end + 1);
        }
    }
    if (!too_long && !line.empty())
        each(line);
    return {};
}

kernel::Result<void> add_history_file(HistoryTable& table, const std::string& file) {
    return for_each_history_line(file, [&table](std::string_view line) { table.add_line(line); });
}

int print_history_table(const std::string& file, int days) {
    HistoryTable table(days, std::time(nullptr));
    for (const std::string& name : {file + ".1", file}) {
        if (auto added = add_history_file(table, name); !added) {
            std::fprintf(stderr, "quilbex: 无法读取历史记录 %s：%s\n", name.c_str(), added.reason().c_str());
            return 1;
        }
    }
    std::fputs(table.text().c_str(), stdout);
    return 0;
}

}  // namespace quilbex::app
