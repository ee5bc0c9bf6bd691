// The quote worker against the local quote service.

#include "FlowFixture.h"
#include "WindowRecorder.h"
#include "app/flows/Quote.h"
#include "app/flows/SignIn.h"

namespace quilbex::app::testing {
namespace {

using Quote = FlowTest;

TEST_F(Quote, the_quote_fills_the_message_box_and_the_request_sends_no_cookie) {
    WindowRecorder window;
    EXPECT_EQ(quote_worker(nullptr), 0u);
    EXPECT_EQ(window.message(), gbk("生活不止眼前的苟且"));
    std::string quote = sim->host(sim->quote_port());
    sim::Request r = log().back().request;
    EXPECT_EQ(r.head, "GET /api/soul HTTP/1.1\r\nHost: " + quote + "\r\nUser-Agent: " + kDesktopAgent +
                          "\r\nAccept: */*\r\nReferer: https://" + quote +
                          "/api/soul\r\nAccept-Language: zh-cn\r\n\r\n");
}

TEST_F(Quote, a_reply_without_the_quote_or_no_reply_at_all_empties_the_box) {
    WindowRecorder window;
    sim->state().scenario.set("quote_mode", "no_data");
    quote_worker(nullptr);
    EXPECT_EQ(window.message(), "");
    sim->state().scenario.set("quote_mode", "not_json");
    EXPECT_EQ(str(fetch_quote()), "");
    sim->stop();
    quote_worker(nullptr);
    EXPECT_EQ(window.message(), "");
    EXPECT_EQ(window.message_writes(), 2);
}

}  // namespace
}  // namespace quilbex::app::testing
