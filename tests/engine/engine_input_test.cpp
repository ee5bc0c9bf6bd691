// Requests that come from real input: links under the mouse and new windows.

#include "tests/engine/EngineFixture.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

namespace quilbex::testing {
namespace {

constexpr char kLinkPage[] = R"(<!doctype html><title>opener</title>
<a id="a" href="/popup" target="_blank" style="display:block;width:100%;height:300px;background:#0a0">new</a>)";

class EngineInputTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // Real pointer input: a place of the screen that other tests' windows rarely cover.
        m_host = std::make_unique<HostWindow>(640, 480, 620, 520);
        m_server = std::make_unique<HttpsServer>(m_authority.issue_server("server"), [](httplib::Server& server) {
            server.Get(
                "/", [](const httplib::Request&, httplib::Response& res) { res.set_content(kLinkPage, "text/html"); });
            server.Get("/popup", [](const httplib::Request&, httplib::Response& res) {
                res.set_content("<title>popup page</title>", "text/html");
            });
        });
        ASSERT_TRUE(api().wkeQuilbexAllowCertificate("127.0.0.1", m_authority.ca_file().c_str()));
    }

    // Moves the pointer to (x, y) of the view's widget and clicks there, as a person would.
    void click_in(wkeWebView view, int x, int y) {
        auto* widget = static_cast<GtkWidget*>(api().wkeGetWindowHandle(view));
        gdk_window_raise(gtk_widget_get_window(m_host->window()));
        int left = 0, top = 0;
        gdk_window_get_origin(gtk_widget_get_window(widget), &left, &top);
        GtkAllocation area;
        gtk_widget_get_allocation(widget, &area);
        const std::string move =
            "xdotool mousemove " + std::to_string(left + area.x + x) + " " + std::to_string(top + area.y + y);
        ASSERT_EQ(std::system(move.c_str()), 0);
        run_for(300);
        ASSERT_EQ(std::system("xdotool click 1"), 0);
    }

    std::unique_ptr<HttpsServer> m_server;
};

struct PopupLog {
    std::string hovered;
    std::string requested;
    wkeWebView popup = nullptr;
    bool load_in_place = false;
};

TEST_F(EngineInputTest, a_link_to_a_new_window_opens_in_the_view_the_program_returns) {
    auto& e = api();
    wkeWebView view = make_view(400, 300);
    PopupLog log;
    e.wkeOnMouseOverUrlChanged(
        view,
        [](wkeWebView, void* p, const wkeString url) {
            static_cast<PopupLog*>(p)->hovered = EngineApi::get().wkeGetString(url);
        },
        &log);
    e.wkeOnCreateView(
        view,
        [](wkeWebView opener, void* p, wkeNavigationType type, const wkeString url) -> wkeWebView {
            auto* log = static_cast<PopupLog*>(p);
            EXPECT_EQ(type, WKE_NAVIGATION_TYPE_LINKCLICK);
            log->requested = EngineApi::get().wkeGetString(url);
            if (log->load_in_place)
                return opener;
            log->popup = EngineApi::get().wkeCreateWebWindow(WKE_WINDOW_TYPE_POPUP, nullptr, 0, 560, 300, 200);
            EngineApi::get().wkeShowWindow(log->popup, true);
            return log->popup;
        },
        &log);
    ASSERT_EQ(load_and_wait(view, m_server->url("/")), WKE_LOADING_SUCCEEDED) << m_failed_reason;
    ASSERT_TRUE(run_until([&] { return std::string(e.wkeGetTitle(view)) == "opener"; }));

    click_in(view, 100, 100);
    EXPECT_EQ(log.hovered, m_server->url("/popup"));
    ASSERT_TRUE(run_until([&] { return log.popup && std::string(e.wkeGetTitle(log.popup)) == "popup page"; }))
        << "requested: " << log.requested;
    EXPECT_EQ(log.requested, m_server->url("/popup"));
    EXPECT_STREQ(e.wkeGetTitle(view), "opener");
    e.wkeDestroyWebView(log.popup);

    // Returning the opener itself loads the address in place.
    log.load_in_place = true;
    click_in(view, 120, 120);
    ASSERT_TRUE(run_until([&] { return std::string(e.wkeGetTitle(view)) == "popup page"; })) << e.wkeGetTitle(view);
}

struct InputLog {
    std::vector<std::tuple<wkeInputKind, int, int, int>> seen;  // kind, x, y, code
    bool has(wkeInputKind kind, int code = -1) const {
        for (const auto& [k, x, y, c] : seen)
            if (k == kind && (code < 0 || c == code))
                return true;
        return false;
    }
};

TEST_F(EngineInputTest, the_program_sees_input_first_and_may_keep_it_from_the_page) {
    auto& e = api();
    wkeWebView view = make_view(400, 300);
    // Outlives the view, which reports its last focus change when the host window goes.
    static InputLog log;
    log = {};
    e.wkeQuilbexOnInput(
        view,
        [](wkeWebView, void* p, wkeInputKind kind, int x, int y, int code, int) {
            static_cast<InputLog*>(p)->seen.emplace_back(kind, x, y, code);
            return !(kind == WKE_INPUT_CHAR && code == 'x');  // the page never gets an 'x'
        },
        &log);
    e.wkeLoadHTML(view, "<title>start</title><input id=i style='width:100%;height:200px' "
                        "onfocus=\"document.title='typed:'+this.value\" "
                        "oninput=\"document.title='typed:'+this.value\">");
    ASSERT_TRUE(run_until([&] { return m_finished; }));
    click_in(view, 50, 40);
    // Type only once the page itself has the focus.
    ASSERT_TRUE(run_until([&] { return std::string(e.wkeGetTitle(view)) == "typed:"; })) << e.wkeGetTitle(view);
    ASSERT_EQ(std::system("xdotool type --delay 100 axa"), 0);
    ASSERT_TRUE(run_until([&] { return std::string(e.wkeGetTitle(view)) == "typed:aa"; })) << e.wkeGetTitle(view);
    EXPECT_TRUE(log.has(WKE_INPUT_KEYDOWN, 'A'));
    EXPECT_TRUE(log.has(WKE_INPUT_KEYDOWN, 'X'));
    EXPECT_TRUE(log.has(WKE_INPUT_CHAR, 'a'));
    EXPECT_TRUE(log.has(WKE_INPUT_KEYUP, 'A'));
    EXPECT_TRUE(log.has(WKE_INPUT_SETFOCUS));
    auto down = std::find_if(log.seen.begin(), log.seen.end(),
                             [](const auto& s) { return std::get<0>(s) == WKE_INPUT_LBUTTONDOWN; });
    ASSERT_NE(down, log.seen.end());
    EXPECT_NEAR(std::get<1>(*down), 50, 2);
    EXPECT_NEAR(std::get<2>(*down), 40, 2);
}

}  // namespace
}  // namespace quilbex::testing
