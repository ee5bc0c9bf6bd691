#include "sim/RequestLog.h"

namespace quilbex::sim {

bool RequestLog::open_file(const std::string& file_name) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(file_name.c_str(), "ab"));
    if (!file)
        return false;
    std::lock_guard lock(m_mutex);
    m_file = std::move(file);
    return true;
}

void RequestLog::add(const std::string& service, const Request& request) {
    std::lock_guard lock(m_mutex);
    m_entries.push_back({service, request});
    if (m_file) {
        std::string text = format(m_entries.back());
        std::fwrite(text.data(), 1, text.size(), m_file.get());
        std::fflush(m_file.get());
    }
}

std::vector<LogEntry> RequestLog::entries() const {
    std::lock_guard lock(m_mutex);
    return m_entries;
}

void RequestLog::clear() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

std::string RequestLog::format(const LogEntry& entry) {
    return ">>> " + entry.service + "\r\n" + entry.request.head + entry.request.body + "\r\n<<<\r\n";
}

std::string RequestLog::text() const {
    std::string out;
    for (const auto& entry : entries())
        out += format(entry);
    return out;
}

}  // namespace quilbex::sim
