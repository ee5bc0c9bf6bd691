// http_request (through the bound WinInet functions, over libcurl) against a
// plain libcurl easy request with the same options in the same process: a
// small GET and a 1 MB GET on loopback, and the sign-in's two HTTPS requests
// against the local forum.

#include "app/flows/Globals.h"
#include "app/flows/SignIn.h"
#include "app/net/HttpClient.h"
#include "app/net/NetConfig.h"
#include "platform/wininet/WinInet.h"
#include "runtime/ProgramImage.h"
#include "runtime/RuntimeApp.h"
#include "runtime/Startup.h"
#include "runtime/WindowHost.h"
#include "sim/HttpServer.h"
#include "sim/Simulator.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <memory>
#include <string>

namespace {

using namespace quilbex;

constexpr const char* kLibraries[16] = {"wininet.dll", "wininet.dll", "wininet.dll", "wininet.dll",
                                        "Wininet.dll", "wininet.dll", "wininet.dll", "wininet.dll",
                                        "ole32.dll",   "ole32.dll",   "kernel32.dll", "Kernel32.dll",
                                        "SkinH_QV.dll", "SkinH_QV.dll", "Kernel32.dll", "kernel32.dll"};
constexpr const char* kFunctions[16] = {"InternetOpenA", "InternetConnectA", "InternetCloseHandle",
                                        "HttpOpenRequestA", "InternetSetOptionA", "HttpSendRequestA",
                                        "InternetReadFile", "HttpQueryInfoA", "CoInitialize", "CoUninitialize",
                                        "GetExitCodeThread", "TerminateThread", "SkinH_Attach",
                                        "SkinH_AttachRes", "MultiByteToWideChar", "WideCharToMultiByte"};

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

// A plain easy request as the layer makes it: a fresh handle, the same header
// block, no decompression, HTTP/1.1, no redirects followed by libcurl.
std::string plain_request(const std::string& url, const char* headers, const std::string* body,
                          const std::string& ca_file = {}) {
    CURL* easy = curl_easy_init();
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

void get_quilbex(benchmark::State& state, bool large) {
    const std::string& url = large ? setup().large_url : setup().small_url;
    for (auto _ : state) {
        app::ByteSet body = app::http_request({.url = url.c_str(), .extra_headers = kBlock});
        benchmark::DoNotOptimize(body.get());
    }
}

void get_libcurl(benchmark::State& state, bool large) {
    const std::string& url = large ? setup().large_url : setup().small_url;
    for (auto _ : state)
        benchmark::DoNotOptimize(plain_request(url, kBlock, nullptr));
}

void sign_in_quilbex(benchmark::State& state) {
    setup();
    for (auto _ : state) {
        app::Text token = app::fetch_formhash();
        app::Text status = app::post_sign_in("bench", token.get());
        benchmark::DoNotOptimize(status.get());
    }
}

void sign_in_libcurl(benchmark::State& state) {
    Setup& s = setup();
    std::string forum = "https://" + s.services->host(s.services->forum_port());
    std::string headers = std::string("User-Agent: bench\r\nCookie: UM_distinctid=sim-member-0001\r\n") +
                          "Content-Type: application/x-www-form-urlencoded";
    std::string form = "formhash=1a2b3c4d&qdxq=tp&qdmode=1&todaysay=bench";
    for (auto _ : state) {
        benchmark::DoNotOptimize(plain_request(forum + app::kSignPagePath, headers.c_str(), nullptr,
                                               s.services->ca_file()));
        benchmark::DoNotOptimize(plain_request(forum + app::kSignActionPath, headers.c_str(), &form,
                                               s.services->ca_file()));
    }
}

void https_get_quilbex(benchmark::State& state) {
    Setup& s = setup();
    std::string url = "https://" + s.services->host(s.services->quote_port()) + "/api/soul";
    for (auto _ : state) {
        app::ByteSet body = app::http_request({.url = url.c_str(), .extra_headers = kBlock});
        benchmark::DoNotOptimize(body.get());
    }
}

void https_get_libcurl(benchmark::State& state) {
    Setup& s = setup();
    std::string url = "https://" + s.services->host(s.services->quote_port()) + "/api/soul";
    for (auto _ : state)
        benchmark::DoNotOptimize(plain_request(url, kBlock, nullptr, s.services->ca_file()));
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
