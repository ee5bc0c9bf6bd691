#include "sim/RequestLog.h"

#include <chrono>

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
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::lock_guard lock(m_mutex);
    m_entries.push_back({service, request, std::chrono::duration_cast<std::chrono::microseconds>(now).count()});
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

std::string RequestLog::arrival_times() const {
    std::string out;
    for (const auto& entry : entries()) {
        const std::string& head = entry.request.head;
        std::string first_line = head.substr(0, head.find("\r\n"));
        // "METHOD TARGET VERSION" without the version.
        out += entry.service + " " + std::to_string(entry.received_us) + " " +
               first_line.substr(0, first_line.rfind(' ')) + "\n";
    }
    return out;
}

}  // namespace quilbex::sim
