// http_request (through the bound WinInet functions, over libcurl) against a
// plain libcurl easy request with the same options in the same process: a
// small GET and a 1 MB GET on loopback, and the sign-in's two HTTPS requests
// against the local forum.

#include "app/flows/Globals.h"
#include "app/flows/SignIn.h"
#include "app/net/HttpClient.h"
#include "app/net/NetConfig.h"
#include "app_flows_texts/FlowTexts.h"
#include "platform/wininet/WinInet.h"
#include "runtime/Blocks.h"
#include "runtime/ProgramImage.h"
#include "runtime/RuntimeApp.h"
#include "runtime/Startup.h"
#include "runtime/WindowHost.h"
#include "sim/HttpServer.h"
#include "sim/Simulator.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <string>

namespace {

using namespace quilbex;

constexpr const char* kLibraries[16] = {"wininet.dll",  "wininet.dll",  "wininet.dll",  "wininet.dll",
                                        "Wininet.dll",  "wininet.dll",  "wininet.dll",  "wininet.dll",
                                        "ole32.dll",    "ole32.dll",    "kernel32.dll", "Kernel32.dll",
                                        "SkinH_QV.dll", "SkinH_QV.dll", "Kernel32.dll", "kernel32.dll"};
constexpr const char* kFunctions[16] = {
    "InternetOpenA",      "InternetConnectA", "InternetCloseHandle", "HttpOpenRequestA",
    "InternetSetOptionA", "HttpSendRequestA", "InternetReadFile",    "HttpQueryInfoA",
    "CoInitialize",       "CoUninitialize",   "GetExitCodeThread",   "TerminateThread",
    "SkinH_Attach",       "SkinH_AttachRes",  "MultiByteToWideChar", "WideCharToMultiByte"};

// The program image with its DLL command table, the plain server and the
// local services, made once.
struct Setup {
    rt::ProgramHeader header{};
    std::unique_ptr<sim::HttpServer> plain;
    std::unique_ptr<sim::Simulator> services;
    std::string small_url, large_url;

    Setup() {
        wininet::register_wininet();
        header.runMode = 3;
        header.dllCommandCount = 16;
        header.dllLibraryNames = kLibraries;
        header.dllFunctionNames = kFunctions;
        rt::runtime_app().reset();
        rt::set_window_host(nullptr);
        rt::set_program_header(header);
        rt::load_program_data();

        static const std::string large(1 << 20, 'x');
        plain = sim::HttpServer::start(0, std::nullopt, [](const sim::Request& r) {
            return sim::Response::text(200, "OK", "text/plain", r.path() == "/large" ? large : "small reply");
        });
        std::string origin = "http://127.0.0.1:" + std::to_string(plain->port());
        small_url = origin + "/small";
        large_url = origin + "/large";

        services = sim::Simulator::start(sim::SimOptions::any_ports(QUILBEX_SIM_CERT_DIR));
        services->state().scenario.set("sign", "already");
        app::NetConfig config;
        config.hosts.forum = services->host(services->forum_port());
        config.ca_file = services->ca_file();
        app::install_net_config(config);
        app::set_forum_cookie("UM_distinctid=sim-member-0001");
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

size_t collect(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

// The cookie store a request without a cookie of its own uses, as the
// layer's: a share of cookie data between handles, locked for threads.
CURLSH* cookie_share() {
    static std::mutex mutex;
    static CURLSH* share = [] {
        CURLSH* s = curl_share_init();
        curl_share_setopt(
            s, CURLSHOPT_LOCKFUNC, +[](CURL*, curl_lock_data, curl_lock_access, void*) { mutex.lock(); });
        curl_share_setopt(
            s, CURLSHOPT_UNLOCKFUNC, +[](CURL*, curl_lock_data, void*) { mutex.unlock(); });
        curl_share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        return s;
    }();
    return share;
}

// A plain easy request as the layer makes it: a fresh handle, the same header
// block, no decompression, HTTP/1.1, no redirects followed by libcurl, and
// the shared cookie store when the request sends no cookie of its own (the
// layer's requests then go through the platform's cookie store).
std::string plain_request(const std::string& url, const char* headers, const std::string* body,
                          const std::string& ca_file = {}, bool cookie_store = true) {
    CURL* easy = curl_easy_init();
    if (cookie_store) {
        curl_easy_setopt(easy, CURLOPT_SHARE, cookie_share());
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
    }
    curl_slist* list = nullptr;
    std::string block = headers;
    std::size_t start = 0;
    while (start < block.size()) {
        auto end = block.find("\r\n", start);
        list = curl_slist_append(list, block.substr(start, end - start).c_str());
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    list = curl_slist_append(list, "Expect:");
    std::string out;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &out);
    if (!ca_file.empty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, ca_file.c_str());
    if (body) {
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body->data());
    }
    curl_easy_perform(easy);
    curl_slist_free_all(list);
    curl_easy_cleanup(easy);
    return out;
}

const char* kBlock = "User-Agent: bench\r\nAccept: */*\r\nAccept-Language: zh-cn";

std::size_t byte_count(const app::ByteSet& body) { return rt::byte_set_bytes(body.get()).size(); }

// A benchmark whose requests are not answered as expected measures nothing:
// each case checks its last reply and fails the run when it is wrong.
// Both peers of a GET release each reply within its iteration and keep only
// its size: a reply kept into the next iteration keeps the heap's top in use,
// so that the next 1 MB reply is built in pages already mapped instead of in
// fresh ones, and a peer that does this while the other does not measures
// the allocator, not the request.
void get_quilbex(benchmark::State& state, bool large) {
    const std::string& url = large ? setup().large_url : setup().small_url;
    std::size_t size = 0;
    for (auto _ : state) {
        app::ByteSet body = app::http_request({.url = url.c_str(), .extra_headers = kBlock});
        size = byte_count(body);
        benchmark::DoNotOptimize(body.get());
    }
    if (size != (large ? std::size_t{1} << 20 : std::strlen("small reply")))
        state.SkipWithError("the reply was not the served body");
}

void get_libcurl(benchmark::State& state, bool large) {
    const std::string& url = large ? setup().large_url : setup().small_url;
    std::size_t size = 0;
    for (auto _ : state) {
        std::string body = plain_request(url, kBlock, nullptr);
        size = body.size();
        benchmark::DoNotOptimize(body.data());
    }
    if (size != (large ? std::size_t{1} << 20 : std::strlen("small reply")))
        state.SkipWithError("the reply was not the served body");
}

void sign_in_quilbex(benchmark::State& state) {
    setup();
    std::string status;
    for (auto _ : state) {
        app::Text token = app::fetch_formhash();
        app::Text reply = app::post_sign_in("bench", token.get());
        status = reply ? reply.get() : "";
        benchmark::DoNotOptimize(reply.get());
    }
    // The scenario answers every accepted sign "signed already".
    if (status != app::texts::signed_today())
        state.SkipWithError("the sign action was refused");
}

void sign_in_libcurl(benchmark::State& state) {
    Setup& s = setup();
    std::string forum = "https://" + s.services->host(s.services->forum_port());
    // The headers the tool sends: the page with the desktop agent, the form
    // with the mobile agent and the form's own address as Referer.
    auto headers = [](const char* agent, const std::string& url, bool form) {
        return std::string("User-Agent: ") + agent + "\r\nAccept: */*\r\nReferer: " + url +
               "\r\nAccept-Language: zh-cn" + (form ? "\r\nContent-Type: application/x-www-form-urlencoded" : "") +
               "\r\nCookie: UM_distinctid=sim-member-0001";
    };
    const std::string page_url = forum + app::kSignPagePath, action_url = forum + app::kSignActionPath;
    const std::string page_headers = headers(app::kDesktopAgent, page_url, false);
    const std::string action_headers = headers(app::kMobileAgent, action_url, true);
    std::string reply;
    for (auto _ : state) {
        std::string page = plain_request(page_url, page_headers.c_str(), nullptr, s.services->ca_file(), false);
        auto start = page.find("formhash=");
        auto end = start == std::string::npos ? start : page.find("&amp;", start);
        std::string token = end == std::string::npos ? "" : page.substr(start + 9, end - start - 9);
        std::string form = "formhash=" + token + "&qdxq=tp&qdmode=1&todaysay=bench";
        reply = plain_request(action_url, action_headers.c_str(), &form, s.services->ca_file(), false);
        benchmark::DoNotOptimize(reply.data());
    }
    if (reply.find("您今日已经签到") == std::string::npos)
        state.SkipWithError("the sign action was refused");
}

void https_get_quilbex(benchmark::State& state) {
    Setup& s = setup();
    std::string url = "https://" + s.services->host(s.services->quote_port()) + "/api/soul";
    std::string body;
    for (auto _ : state) {
        app::ByteSet reply = app::http_request({.url = url.c_str(), .extra_headers = kBlock});
        auto bytes = rt::byte_set_bytes(reply.get());
        body.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        benchmark::DoNotOptimize(reply.get());
    }
    if (body.find("\"code\":200") == std::string::npos)
        state.SkipWithError("the quote service did not answer with a quote");
}

void https_get_libcurl(benchmark::State& state) {
    Setup& s = setup();
    std::string url = "https://" + s.services->host(s.services->quote_port()) + "/api/soul";
    std::string body;
    for (auto _ : state) {
        body = plain_request(url, kBlock, nullptr, s.services->ca_file());
        benchmark::DoNotOptimize(body.data());
    }
    if (body.find("\"code\":200") == std::string::npos)
        state.SkipWithError("the quote service did not answer with a quote");
}

}  // namespace

BENCHMARK(https_get_quilbex)->Name("https_get/quilbex");
BENCHMARK(https_get_libcurl)->Name("https_get/libcurl");
BENCHMARK_CAPTURE(get_quilbex, small, false)->Name("get_small/quilbex");
BENCHMARK_CAPTURE(get_libcurl, small, false)->Name("get_small/libcurl");
BENCHMARK_CAPTURE(get_quilbex, large, true)->Name("get_1mb/quilbex");
BENCHMARK_CAPTURE(get_libcurl, large, true)->Name("get_1mb/libcurl");
BENCHMARK(sign_in_quilbex)->Name("sign_in/quilbex");
BENCHMARK(sign_in_libcurl)->Name("sign_in/libcurl");
