#pragma once
// Stands in for the main window's controls and records what the flows do.

#include "app/flows/MainWindowAccess.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace quilbex::app::testing {

class WindowRecorder : public MainWindowAccess {
public:
    WindowRecorder() { set_main_window_access(this); }
    ~WindowRecorder() override { set_main_window_access(nullptr); }

    bool display_exists() override { return display_open.load(); }
    void append_to_display(const char* text) override {
        std::lock_guard lock(m_mutex);
        m_lines.push_back(text ? text : "");
    }
    void set_message_text(const char* text) override {
        std::lock_guard lock(m_mutex);
        m_message = text ? text : "";
        ++m_message_writes;
    }

    std::vector<std::string> lines() const {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    std::string message() const {
        std::lock_guard lock(m_mutex);
        return m_message;
    }
    int message_writes() const {
        std::lock_guard lock(m_mutex);
        return m_message_writes;
    }

    std::atomic<bool> display_open{true};

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::string m_message = "unchanged";
    int m_message_writes = 0;
};

}  // namespace quilbex::app::testing
