#pragma once
// Every request the local services receive, in arrival order, with the
// service that received it. Tests read it through the Simulator object or the
// control endpoint; with a file name it is also appended to that file.

#include "sim/HttpMessage.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quilbex::sim {

struct LogEntry {
    std::string service;
    Request request;
    std::int64_t received_us = 0;  // wall-clock time of arrival, microseconds since the epoch
};

class RequestLog {
public:
    RequestLog() = default;
    // Appends to `file_name` as well; false when the file cannot be opened.
    bool open_file(const std::string& file_name);

    void add(const std::string& service, const Request& request);
    std::vector<LogEntry> entries() const;
    void clear();

    // One entry as text: ">>> service\r\n", the raw head, the body, "\r\n<<<\r\n".
    static std::string format(const LogEntry& entry);
    std::string text() const;
    // One line per entry: "service arrival-microseconds method target".
    std::string arrival_times() const;

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    mutable std::mutex m_mutex;
    std::vector<LogEntry> m_entries;
    std::unique_ptr<std::FILE, FileCloser> m_file;
};

}  // namespace quilbex::sim
