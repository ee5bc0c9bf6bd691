// Pages over HTTPS from local servers: trust, titles, callbacks and cookies.

#include "tests/engine/EngineFixture.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <vector>

namespace quilbex::testing {
namespace {

constexpr char kPage[] = R"(<!doctype html><html><head><title>Quilbex Engine Test</title>
<link rel="stylesheet" href="/style.css"></head>
<body><p id="x">hello</p><script>console.warn('page says', 42);</script></body></html>)";

class EngineHttpsTest : public EngineFixture {
protected:
    // Serves "/" (the page), "/style.css", "/login" (sets cookies) and "/private/x".
    std::unique_ptr<HttpsServer> serve(const TestAuthority& authority, const std::string& name = "server") {
        return std::make_unique<HttpsServer>(authority.issue_server(name), [this](httplib::Server& server) {
            server.Get("/",
                       [](const httplib::Request&, httplib::Response& res) { res.set_content(kPage, "text/html"); });
            server.Get("/style.css", [](const httplib::Request&, httplib::Response& res) {
                res.set_content("p { color: red; }", "text/css");
            });
            server.Get("/login", [](const httplib::Request&, httplib::Response& res) {
                res.set_header("Set-Cookie", "BBS_UNAME=%E5%BC%A0%E4%B8%89; Path=/");
                res.set_header("Set-Cookie", "UM_distinctid=17a-0b; Path=/; HttpOnly; Max-Age=3600");
                res.set_header("Set-Cookie", "deep=1; Path=/private");
                res.set_content("<title>logged in</title>", "text/html");
            });
            server.Get("/report.csv", [](const httplib::Request&, httplib::Response& res) {
                res.set_header("Content-Disposition", "attachment; filename=report.csv");
                res.set_content("a,b\n1,2\n", "application/octet-stream");
            });
            server.set_logger([this](const httplib::Request& req, const httplib::Response&) {
                std::lock_guard<std::mutex> lock(m_lock);
                m_requested.push_back(req.path);
            });
        });
    }

    std::vector<std::string> requested() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_requested;
    }

    std::mutex m_lock;
    std::vector<std::string> m_requested;
};

struct Recorder {
    std::vector<std::string> titles;
    std::vector<std::string> urls;
    std::vector<std::pair<wkeNavigationType, std::string>> navigations;
    int ready = 0;
    std::vector<std::string> console;
    std::vector<std::pair<std::string, void*>> begun;
    std::vector<std::tuple<std::string, void*, int>> ended;
};

TEST_F(EngineHttpsTest, page_from_configured_authority_loads_and_reports_every_stage) {
    auto server = serve(m_authority);
    ASSERT_TRUE(api().wkeQuilbexAllowCertificate("127.0.0.1", m_authority.ca_file().c_str()));
    wkeWebView view = make_view();
    Recorder rec;
    auto& e = api();
    e.wkeOnTitleChanged(
        view,
        [](wkeWebView, void* r, const wkeString title) {
            static_cast<Recorder*>(r)->titles.push_back(EngineApi::get().wkeGetString(title));
        },
        &rec);
    e.wkeOnURLChanged2(
        view,
        [](wkeWebView, void* r, int frame, const wkeString url) {
            EXPECT_EQ(frame, WKE_MAIN_FRAME_ID);
            static_cast<Recorder*>(r)->urls.push_back(EngineApi::get().wkeGetString(url));
        },
        &rec);
    e.wkeOnNavigation(
        view,
        [](wkeWebView, void* r, wkeNavigationType type, wkeString url) {
            static_cast<Recorder*>(r)->navigations.emplace_back(type, EngineApi::get().wkeGetString(url));
            return true;
        },
        &rec);
    e.wkeOnDocumentReady2(
        view, [](wkeWebView, void* r, int) { ++static_cast<Recorder*>(r)->ready; }, &rec);
    e.wkeOnConsole(
        view,
        [](wkeWebView, void* r, wkeConsoleLevel level, const wkeString message, const wkeString source, unsigned line,
           const wkeString) {
            auto& api = EngineApi::get();
            static_cast<Recorder*>(r)->console.push_back(std::to_string(level) + "|" + api.wkeGetString(message) + "|" +
                                                         api.wkeGetString(source) + "|" + std::to_string(line));
        },
        &rec);
    e.wkeOnLoadUrlBegin(
        view,
        [](wkeWebView, void* r, const char* url, wkeNetJob job) {
            static_cast<Recorder*>(r)->begun.emplace_back(url, job);
        },
        &rec);
    e.wkeOnLoadUrlEnd(
        view,
        [](wkeWebView, void* r, const char* url, wkeNetJob job, int status, int) {
            static_cast<Recorder*>(r)->ended.emplace_back(url, job, status);
        },
        &rec);

    const std::string url = server->url("/");
    ASSERT_EQ(load_and_wait(view, url), WKE_LOADING_SUCCEEDED) << m_failed_reason;
    EXPECT_EQ(m_finished_url, url);
    ASSERT_TRUE(run_until([&] { return !rec.titles.empty() && rec.ready > 0 && !rec.console.empty(); }));

    EXPECT_STREQ(e.wkeGetTitle(view), "Quilbex Engine Test");
    EXPECT_EQ(rec.titles.back(), "Quilbex Engine Test");
    EXPECT_STREQ(e.wkeGetURL(view), url.c_str());
    EXPECT_EQ(rec.urls.back(), url);
    ASSERT_FALSE(rec.navigations.empty());
    EXPECT_EQ(rec.navigations.front(), std::make_pair(WKE_NAVIGATION_TYPE_OTHER, url));
    EXPECT_EQ(rec.ready, 1);
    EXPECT_EQ(rec.console.front(), std::to_string(WKE_CONSOLE_WARNING) + "|page says 42|" + url + "|3");

    // Every request that began ended, under the same job. The first request of
    // the page was refused before its certificate was checked against the
    // configured authority (status 0); the one that loaded got the server's 200.
    ASSERT_TRUE(run_until([&] { return rec.ended.size() >= rec.begun.size(); }));
    // A job is a pointer: the refused request's job may be freed and its
    // address given to the next request, so each begin takes the first end of
    // its job that no earlier begin took.
    std::map<std::string, int> last_status;
    std::vector<bool> taken(rec.ended.size(), false);
    for (const auto& [begun_url, job] : rec.begun) {
        std::size_t end = 0;
        while (end < rec.ended.size() && (taken[end] || std::get<1>(rec.ended[end]) != job))
            ++end;
        ASSERT_LT(end, rec.ended.size()) << begun_url;
        taken[end] = true;
        EXPECT_EQ(std::get<0>(rec.ended[end]), begun_url);
        last_status[begun_url] = std::get<2>(rec.ended[end]);
    }
    EXPECT_EQ(last_status[url], 200);
    EXPECT_EQ(last_status[server->url("/style.css")], 200);
}

TEST_F(EngineHttpsTest, cookies_set_by_the_server_are_read_exactly_and_cleared_completely) {
    auto server = serve(m_authority);
    ASSERT_TRUE(api().wkeQuilbexAllowCertificate("127.0.0.1", m_authority.ca_file().c_str()));
    wkeWebView view = make_view();
    // A Windows-style directory path: the jar file goes inside it.
    const std::string jar_dir = m_dir.path() + "\\cookies\\";
    std::u16string jar_path(jar_dir.begin(), jar_dir.end());
    api().wkeSetCookieJarPath(view, jar_path.c_str());

    EXPECT_STREQ(api().wkeGetCookie(view), "") << "no page shown yet";
    ASSERT_EQ(load_and_wait(view, server->url("/login")), WKE_LOADING_SUCCEEDED) << m_failed_reason;
    // Only the cookies that apply to the page, HttpOnly ones included, in the order they were set.
    EXPECT_STREQ(api().wkeGetCookie(view), "BBS_UNAME=%E5%BC%A0%E4%B8%89; UM_distinctid=17a-0b");
    EXPECT_TRUE(std::filesystem::exists(m_dir.path() + "/cookies/cookies.dat"));
    // Expiry: none for a session cookie, the server's Max-Age for a lasting one, -1 for a name not there.
    EXPECT_EQ(api().wkeQuilbexGetCookieExpires(view, "BBS_UNAME"), 0);
    const long long lasting = api().wkeQuilbexGetCookieExpires(view, "UM_distinctid");
    const long long now = static_cast<long long>(std::time(nullptr));
    EXPECT_GE(lasting, now + 3600 - 60);
    EXPECT_LE(lasting, now + 3600 + 1);
    EXPECT_EQ(api().wkeQuilbexGetCookieExpires(view, "deep"), -1) << "a cookie of another path does not apply";
    EXPECT_EQ(api().wkeQuilbexGetCookieExpires(view, "bbs_uname"), -1) << "names compare exactly";

    api().wkeClearCookie(view);
    EXPECT_STREQ(api().wkeGetCookie(view), "");
    ASSERT_EQ(load_and_wait(view, server->url("/")), WKE_LOADING_SUCCEEDED);
    EXPECT_STREQ(api().wkeGetCookie(view), "") << "cleared cookies must not come back";

    api().wkeSetCookieEnabled(view, false);
    ASSERT_EQ(load_and_wait(view, server->url("/login")), WKE_LOADING_SUCCEEDED);
    EXPECT_STREQ(api().wkeGetCookie(view), "") << "cookies switched off";
}

TEST_F(EngineHttpsTest, cookies_cleared_before_a_view_opens_the_store_stay_cleared_without_starting_webkit) {
    auto server = serve(m_authority);
    ASSERT_TRUE(api().wkeQuilbexAllowCertificate("127.0.0.1", m_authority.ca_file().c_str()));
    const std::string jar = m_dir.path() + "/jar/";
    const std::u16string jar_path(jar.begin(), jar.end());
    auto open_view = [&] {
        wkeWebView view = make_view();
        // The engine is one per process: an earlier test may have switched cookies off.
        api().wkeSetCookieEnabled(view, true);
        api().wkeSetCookieJarPath(view, jar_path.c_str());
        return view;
    };
    // The last view gone, WebKit lets its store and helpers go.
    auto close_view = [](wkeWebView view) {
        api().wkeDestroyWebView(view);
        return run_until([] { return helper_processes() == 0; }, 30000);
    };

    wkeWebView view = open_view();
    ASSERT_EQ(load_and_wait(view, server->url("/login")), WKE_LOADING_SUCCEEDED) << m_failed_reason;
    ASSERT_TRUE(close_view(view));
    view = open_view();
    ASSERT_EQ(load_and_wait(view, server->url("/")), WKE_LOADING_SUCCEEDED) << m_failed_reason;
    EXPECT_STREQ(api().wkeGetCookie(view), "UM_distinctid=17a-0b") << "the lasting cookie is kept on disk";
    ASSERT_TRUE(close_view(view));

    view = open_view();
    api().wkeClearCookie(view);
    EXPECT_EQ(helper_processes(), 0) << "clearing a store nothing has opened needs no WebKit process";
    ASSERT_EQ(load_and_wait(view, server->url("/")), WKE_LOADING_SUCCEEDED) << m_failed_reason;
    EXPECT_STREQ(api().wkeGetCookie(view), "") << "cleared cookies must not come back from disk";
}

TEST_F(EngineHttpsTest, certificates_outside_the_configured_trust_are_refused) {
    TestAuthority rogue(m_dir.path(), "rogue");
    auto rogue_server = serve(rogue, "rogue-server");
    auto server = serve(m_authority);
    // Trust the local authority for "localhost" only.
    ASSERT_TRUE(api().wkeQuilbexAllowCertificate("localhost", m_authority.ca_file().c_str()));
    ASSERT_FALSE(api().wkeQuilbexAllowCertificate("127.0.0.1", (m_dir.path() + "/nothing.pem").c_str()));
    wkeWebView view = make_view();

    // A certificate of another authority, on a host the local authority is trusted for.
    EXPECT_EQ(load_and_wait(view, rogue_server->url("/", "localhost")), WKE_LOADING_FAILED);
    EXPECT_FALSE(m_failed_reason.empty());
    // The right authority, but a host that is not configured.
    EXPECT_EQ(load_and_wait(view, server->url("/", "127.0.0.1")), WKE_LOADING_FAILED);
    EXPECT_STRNE(api().wkeGetTitle(view), "Quilbex Engine Test");
    // The right authority on the configured host.
    EXPECT_EQ(load_and_wait(view, server->url("/", "localhost")), WKE_LOADING_SUCCEEDED) << m_failed_reason;
    EXPECT_STREQ(api().wkeGetTitle(view), "Quilbex Engine Test");
}

TEST_F(EngineHttpsTest, a_second_configured_host_is_trusted_for_requests_after_its_first_refusal) {
    // The page comes from 127.0.0.1; its style sheet from "localhost", another configured host.
    auto other = serve(m_authority, "other-server");
    auto server = std::make_unique<HttpsServer>(m_authority.issue_server("page-server"), [&](httplib::Server& s) {
        const std::string page =
            "<title>two hosts</title><link rel=stylesheet href='" + other->url("/style.css", "localhost") + "'>";
        s.Get("/", [page](const httplib::Request&, httplib::Response& res) { res.set_content(page, "text/html"); });
    });
    ASSERT_TRUE(api().wkeQuilbexAllowCertificate("127.0.0.1", m_authority.ca_file().c_str()));
    ASSERT_TRUE(api().wkeQuilbexAllowCertificate("localhost", m_authority.ca_file().c_str()));
    wkeWebView view = make_view();
    std::vector<int> sheet_status;
    api().wkeOnLoadUrlEnd(
        view,
        [](wkeWebView, void* p, const char* url, wkeNetJob, int status, int) {
            if (std::string(url).find("style.css") != std::string::npos)
                static_cast<std::vector<int>*>(p)->push_back(status);
        },
        &sheet_status);
    ASSERT_EQ(load_and_wait(view, server->url("/")), WKE_LOADING_SUCCEEDED) << m_failed_reason;
    ASSERT_TRUE(run_until([&] { return sheet_status.size() == 1; }));
    EXPECT_EQ(sheet_status[0], 0) << "refused before the host's certificate was checked";
    // The allowance goes to WebKit's network process on a channel of its own,
    // so a reload at once may still overtake it; one of the next few must not.
    for (std::size_t reloads = 1; reloads <= 5 && sheet_status.back() != 200; ++reloads) {
        api().wkeReload(view);
        ASSERT_TRUE(run_until([&] { return sheet_status.size() == reloads + 1; }));
    }
    EXPECT_EQ(sheet_status.back(), 200) << sheet_status.size() - 1 << " reloads";
}

TEST_F(EngineHttpsTest, downloads_are_reported_and_never_stored_and_drawing_is_reported) {
    auto server = serve(m_authority);
    ASSERT_TRUE(api().wkeQuilbexAllowCertificate("127.0.0.1", m_authority.ca_file().c_str()));
    wkeWebView view = make_view();
    struct Seen {
        std::vector<std::string> downloads;
        int paints = 0;
    } seen;
    api().wkeOnDownload(
        view, [](wkeWebView, void* p, const char* url) { static_cast<Seen*>(p)->downloads.push_back(url); }, &seen);
    api().wkeOnPaintUpdated(
        view,
        [](wkeWebView, void* p, void* hdc, int, int, int w, int h) {
            EXPECT_NE(hdc, nullptr);
            EXPECT_GT(w * h, 0);
            ++static_cast<Seen*>(p)->paints;
        },
        &seen);
    ASSERT_EQ(load_and_wait(view, server->url("/")), WKE_LOADING_SUCCEEDED) << m_failed_reason;
    EXPECT_TRUE(run_until([&] { return seen.paints > 0; }));

    // The attachment becomes a download: reported, cancelled, and the page stays.
    EXPECT_EQ(load_and_wait(view, server->url("/report.csv")), WKE_LOADING_CANCELED) << m_failed_reason;
    ASSERT_TRUE(run_until([&] { return !seen.downloads.empty(); }));
    EXPECT_EQ(seen.downloads, std::vector<std::string>{server->url("/report.csv")});
    EXPECT_STREQ(api().wkeGetTitle(view), "Quilbex Engine Test");
    // Nothing was written where downloads would go (the test's private home).
    for (const auto& entry : std::filesystem::recursive_directory_iterator(std::getenv("HOME")))
        EXPECT_EQ(entry.path().filename().string().find("report"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace quilbex::testing
