// The push service stand-in takes what a push service takes and refuses the
// rest with the status such a service answers.

#include "SimClient.h"
#include "sim/PushService.h"

#include <gmock/gmock.h>

namespace quilbex::sim::testing {
namespace {

class PushServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        service = PushService::start(QUILBEX_SIM_CERT_DIR, "KEY1", &error);
        ASSERT_TRUE(service) << error;
    }
    // The status line of the answer to `method target` with these header
    // lines and body.
    std::string send(const std::string& method, const std::string& target, const std::string& headers = "",
                     const std::string& body = "") {
        std::string host = "127.0.0.1:" + std::to_string(service->port());
        std::string answer =
            raw_exchange(service->port(), method + " " + target + " HTTP/1.1\r\nHost: " + host + "\r\n" + headers +
                                              "Content-Length: " + std::to_string(body.size()) +
                                              "\r\nConnection: close\r\n\r\n" + body);
        return answer.substr(0, answer.find("\r\n"));
    }

    std::unique_ptr<PushService> service;
};

TEST_F(PushServiceTest, takes_a_title_and_text_by_query_form_or_json) {
    EXPECT_EQ(send("GET", "/KEY1.send?title=%E7%AD%BE+a&desp=x%0Ay"), "HTTP/1.1 200 OK");
    EXPECT_EQ(send("POST", "/KEY1.send", "Content-Type: application/x-www-form-urlencoded\r\n", "title=t&desp=%2B"),
              "HTTP/1.1 200 OK");
    EXPECT_EQ(send("POST", "/KEY1.send", "Content-Type: application/json; charset=utf-8\r\n",
                   R"({"title":"\u7b7e\ud83d\ude00","desp":"a\"b\n","n":1})"),
              "HTTP/1.1 200 OK");
    auto messages = service->messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].title, "签 a");
    EXPECT_EQ(messages[0].text, "x\ny");
    EXPECT_EQ(messages[1].text, "+");
    EXPECT_EQ(messages[2].title, "签😀");
    EXPECT_EQ(messages[2].text, "a\"b\n");
}

TEST_F(PushServiceTest, refuses_what_a_push_service_refuses) {
    const std::string form = "Content-Type: application/x-www-form-urlencoded\r\n";
    const std::string json = "Content-Type: application/json\r\n";
    EXPECT_EQ(send("GET", "/KEY2.send?title=t"), "HTTP/1.1 401 Unauthorized");
    EXPECT_EQ(send("GET", "/KEY1?title=t"), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(send("PUT", "/KEY1.send?title=t"), "HTTP/1.1 405 Method Not Allowed");
    EXPECT_EQ(send("POST", "/KEY1.send", "Content-Type: text/plain\r\n", "title=t"),
              "HTTP/1.1 415 Unsupported Media Type");
    for (const char* query : {"desp=x", "title=", "title=%G1", "title=a%4", "title=%FF", "title=%ED%A0%80"})
        EXPECT_EQ(send("GET", std::string("/KEY1.send?") + query), "HTTP/1.1 400 Bad Request") << query;
    for (const char* body :
         {R"({"title":"t",})", R"({"title":"\ud800"})", R"({"title":"a)", R"(["title"])", "{\"title\":\"a\nb\"}"})
        EXPECT_EQ(send("POST", "/KEY1.send", json, body), "HTTP/1.1 400 Bad Request") << body;
    EXPECT_EQ(send("POST", "/KEY1.send", form, "title=%zz"), "HTTP/1.1 400 Bad Request");
    EXPECT_TRUE(service->messages().empty());
}

}  // namespace
}  // namespace quilbex::sim::testing
