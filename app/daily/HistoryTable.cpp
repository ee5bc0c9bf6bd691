#include "app/daily/HistoryTable.h"

#include <map>
#include <sstream>
#include <vector>

namespace quilbex::app {

namespace {

struct DayRow {
    std::string sign_in;
    std::vector<std::string> draws;
};

std::string date_of(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

// The fields of a history line, or an empty vector for anything else.
std::vector<std::string> fields_of(const std::string& line) {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    while (fields.size() < 3) {
        auto tab = line.find('\t', start);
        if (tab == std::string::npos)
            return {};
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    if (fields[0].size() != 19 || fields[0][4] != '-' || fields[0][10] != ' ')
        return {};
    return fields;
}

}  // namespace

std::string history_table(const std::string& history, int days, std::time_t today) {
    if (days < 1)
        days = 1;
    std::map<std::string, DayRow> rows;
    std::vector<std::string> dates;
    for (int back = days - 1; back >= 0; --back) {
        // Noon keeps the step a whole day across daylight-saving changes.
        std::tm local{};
        localtime_r(&today, &local);
        local.tm_hour = 12;
        local.tm_mday -= back;
        std::string date = date_of(std::mktime(&local));
        dates.push_back(date);
        rows[date];
    }
    std::istringstream in(history);
    std::string line;
    while (std::getline(in, line)) {
        auto fields = fields_of(line);
        if (fields.empty())
            continue;
        auto row = rows.find(fields[0].substr(0, 10));
        if (row == rows.end())
            continue;
        if (fields[2] == "sign-in")
            row->second.sign_in = fields[3];
        else if (fields[2].rfind("draw ", 0) == 0)
            row->second.draws.push_back(fields[3]);
    }
    std::string table = "日期        | 签到 | 抽奖\n";
    for (const auto& date : dates) {
        const DayRow& row = rows[date];
        std::string draws;
        for (const auto& draw : row.draws)
            draws += (draws.empty() ? "" : "；") + draw;
        table +=
            date + "  | " + (row.sign_in.empty() ? "-" : row.sign_in) + " | " + (draws.empty() ? "-" : draws) + "\n";
    }
    return table;
}

}  // namespace quilbex::app
