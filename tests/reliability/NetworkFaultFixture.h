#pragma once
// The fixture of the HTTP client's fault tests: one warm-up request before
// anything is counted, and a check that a test's descriptors and threads are
// back to where they started.

#include "RawServer.h"
#include "app/net/HttpClient.h"
#include "app/net/NetProgram.h"
#include "runtime/Blocks.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace quilbex::reliability {

using namespace std::chrono_literals;
using app::ByteSet;
using app::Text;

inline std::string bytes(const ByteSet& set) {
    auto span = rt::byte_set_bytes(set.get());
    return std::string(reinterpret_cast<const char*>(span.data()), span.size());
}

inline void set_receive_timeout(wininet::DWORD ms) {
    ASSERT_TRUE(wininet::InternetSetOptionA(nullptr, wininet::INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms));
}

struct Outcome {
    std::string body;
    std::string headers;
    std::chrono::steady_clock::duration took{};
};

class NetworkFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The first request loads what every later one shares (the trust
        // store, the library bindings): make it before anything is counted.
        static testing::NetProgram program;
        const int threads = thread_count();
        {
            RawServer warm_up({"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"});
            app::http_request({.url = warm_up.url().c_str()});
        }
        // The warm-up's own transfer thread may outlive the call for a
        // moment; counted into a test's start, it would look like a thread
        // that test ended.
        auto deadline = std::chrono::steady_clock::now() + 30s;
        while (thread_count() > threads && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
    }

    void SetUp() override {
        m_descriptors = open_descriptor_count();
        m_threads = thread_count();
    }

    // Call after the test's servers have stopped. Threads of a transfer may
    // take a moment to finish after the call returned.
    void expect_nothing_left() {
        // Threads and descriptors end soon after the request; the ceiling
        // is for a busy machine.
        auto deadline = std::chrono::steady_clock::now() + 30s;
        while ((open_descriptor_count() != m_descriptors || thread_count() != m_threads) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        EXPECT_EQ(open_descriptor_count(), m_descriptors) << "descriptors left open";
        EXPECT_EQ(thread_count(), m_threads) << "threads left running";
    }

    static Outcome request(const std::string& url) {
        Text headers = app::make_text("stale");
        auto start = std::chrono::steady_clock::now();
        ByteSet body = app::http_request({.url = url.c_str(), .returned_headers = &headers});
        return {bytes(body), app::str(headers), std::chrono::steady_clock::now() - start};
    }

private:
    int m_descriptors = 0;
    int m_threads = 0;
};

}  // namespace quilbex::reliability
