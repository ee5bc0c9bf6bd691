// http_request against a loopback server that answers with the fuzzer's
// bytes. Any reply must end in a body (possibly empty) and the out-parameters
// filled, within the time-outs, without a crash, leak or out-of-bounds access.
//
// Input layout:
//   byte 0   bits 0-1: 0 = the rest of the input is the raw reply;
//                      1, 2, 3 = a well-formed reply framed by Content-Length,
//                      by chunks, or by the connection's end
//            bit 2: ask http_request not to follow redirects (raw replies)
//            bit 3: label the body "Content-Encoding: gzip"
//            bits 4-5: which extra header lines the reply carries
//            bits 6-7: the method of raw-reply requests (GET, POST, HEAD,
//                      PUT); well-formed replies answer a GET
//   well-formed replies only:
//   byte 1   the status (an index into kStatuses)
//   byte 2   how the body is cut into chunks
//   rest     the body
// For a well-formed reply the body returned must equal the body sent (the
// client decodes chunks and nothing else), the returned headers must start
// with the status line, and a cookie the reply sets must be in the returned
// cookies.
#include "app/net/HttpClient.h"
#include "fuzz/commands/FuzzInput.h"
#include "fuzz/http/LoopbackOnly.h"
#include "fuzz/http/LoopbackServer.h"
#include "runtime/Blocks.h"
#include "tests/app/net/NetProgram.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace quilbex;

struct Status {
    int code;
    const char* reason;
};

// Statuses whose replies carry a body and are not followed.
constexpr Status kStatuses[] = {{200, "OK"},
                                {201, "Created"},
                                {203, "Non-Authoritative Information"},
                                {400, "Bad Request"},
                                {403, "Forbidden"},
                                {404, "Not Found"},
                                {500, "Internal Server Error"},
                                {502, "Bad Gateway"},
                                {503, "Service Unavailable"}};

constexpr const char* kExtraHeaders[] = {
    "",
    "Set-Cookie: SID=fz81a; path=/; HttpOnly\r\nSet-Cookie: lang=zh-cn; expires=Wed, 01 Jan 2031 00:00:00 GMT\r\n",
    "Server: nginx\r\nCache-Control: no-cache\r\nContent-Type: application/json; charset=gbk\r\n",
    "X-Powered-By: PHP/5.4.45\r\nVary: Accept-Encoding\r\nContent-Type: text/html\r\n",
};

// Receive time-out: far above what a loopback reply takes, below the
// fuzzer's own hang limit (-timeout=10).
constexpr quilbex::win::DWORD kReceiveTimeoutMs = 4000;

struct Harness {
    // Loading the program makes its folder the current one; libFuzzer's
    // relative corpus and artifact paths are meant from where it started.
    std::filesystem::path started_in = std::filesystem::current_path();
    testing::NetProgram program;
    fuzzing::LoopbackServer server;

    Harness() {
        std::error_code ignored;
        std::filesystem::current_path(started_in, ignored);
        if (!server.listening()) {
            std::fprintf(stderr, "the loopback server could not listen\n");
            std::abort();
        }
        fuzzing::allow_loopback_port(server.port());
        wininet::DWORD ms = kReceiveTimeoutMs;
        wininet::InternetSetOptionA(nullptr, wininet::INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
        wininet::InternetSetOptionA(nullptr, wininet::INTERNET_OPTION_CONNECT_TIMEOUT, &ms, sizeof ms);
    }
};

Harness& harness() {
    static Harness instance;
    return instance;
}

std::string hex(std::size_t value, bool upper) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, upper ? "%zX" : "%zx", value);
    return buffer;
}

// The body in chunks whose sizes follow from `seed`; chunk extensions and a
// trailer for some seeds.
std::string chunked(const std::string& body, std::uint8_t seed) {
    std::string out;
    bool upper = (seed & 1) != 0;
    bool extension = (seed & 2) != 0;
    std::size_t at = 0;
    for (std::size_t i = 0; at < body.size(); ++i) {
        std::size_t size = seed == 0 ? body.size() : 1 + (seed * 31u + i * 17u) % 97u;
        size = std::min(size, body.size() - at);
        out += hex(size, upper) + (extension ? ";ext=1" : "") + "\r\n" + body.substr(at, size) + "\r\n";
        at += size;
    }
    out += "0\r\n";
    if (seed & 4)
        out += "X-Checksum: 0\r\n";
    return out + "\r\n";
}

[[noreturn]] void fail(const char* what, const std::string& reply, const std::string& got, long long ms) {
    std::fprintf(stderr, "%s\nreply: \"%s\"\nreturned: \"%s\"\nafter %lld ms\n", what,
                 fuzzing::printable(reply).c_str(), fuzzing::printable(got).c_str(), ms);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    Harness& h = harness();
    const std::uint8_t flags = data[0];
    const int framing = flags & 3;
    const bool well_formed = framing != 0;
    if (well_formed && size < 3)
        return 0;

    std::string body;
    std::string reply;
    const Status* status = nullptr;
    if (!well_formed) {
        reply.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
    } else {
        status = &kStatuses[data[1] % std::size(kStatuses)];
        body.assign(reinterpret_cast<const char*>(data) + 3, size - 3);
        reply = "HTTP/1.1 " + std::to_string(status->code) + " " + status->reason + "\r\n";
        reply += kExtraHeaders[(flags >> 4) & 3];
        if (flags & 8)
            reply += "Content-Encoding: gzip\r\n";
        if (framing == 1)
            reply += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        else if (framing == 2)
            reply += "Transfer-Encoding: chunked\r\n\r\n" + chunked(body, data[2]);
        else
            reply += "Connection: close\r\n\r\n" + body;
    }
    h.server.set_reply(reply);

    std::string url = h.server.url("/plugin.php?id=dsu_paulsign:sign");
    app::Text cookies = app::make_text("auth=7f3a; saltkey=Qx9");
    app::Text returned_cookies = app::make_text("stale");
    app::Text returned_headers = app::make_text("stale");
    // http_request numbers GET, POST, HEAD and PUT 0 to 3.
    const std::int32_t method = well_formed ? 0 : flags >> 6;
    auto start = std::chrono::steady_clock::now();
    app::ByteSet result = app::http_request({.url = url.c_str(),
                                             .method = method,
                                             .body_text = "formhash=4f2a9c1e&qdxq=kx&qdmode=1",
                                             .cookies = &cookies,
                                             .returned_cookies = &returned_cookies,
                                             .returned_headers = &returned_headers,
                                             .no_redirect = (flags & 4) != 0});
    auto span = rt::byte_set_bytes(result.get());
    std::string got(reinterpret_cast<const char*>(span.data()), span.size());
    std::string headers = app::str(returned_headers);
    long long ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();

    // Every body returned comes from one reply, which it cannot outgrow.
    if (got.size() > reply.size())
        fail("a body longer than the reply", reply, got, ms);
    // An exchange the client gave up on (the machine stalled it past the
    // time-out) ends without the body, as it should.
    if (!well_formed || ms >= static_cast<long long>(kReceiveTimeoutMs))
        return 0;
    if (got != body)
        fail("the body returned differs from the body sent", reply, got + "\" headers \"" + headers, ms);
    std::string status_line = "HTTP/1.1 " + std::to_string(status->code) + " ";
    if (headers.compare(0, status_line.size(), status_line) != 0)
        fail("the returned headers do not start with the status line", reply, headers, ms);
    if (((flags >> 4) & 3) == 1 && app::str(returned_cookies).find("SID=fz81a") == std::string::npos)
        fail("a cookie the reply set is missing from the returned cookies", reply, app::str(returned_cookies), ms);
    return 0;
}
