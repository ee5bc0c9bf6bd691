#pragma once
// A stand-in for the push services that members point alerts at
// (ServerChan-, Bark- and PushPlus-style: a key in the address, a title and
// a text), over HTTPS on a port of its own on 127.0.0.1. It is as strict as
// they are:
//
//   request                                   answer
//   GET  /<key>.send?title=T&desp=D           200 {"code":0,"message":"success"}
//   POST /<key>.send, form body title=T&desp=D, Content-Type
//        application/x-www-form-urlencoded    200, the same
//   POST /<key>.send, JSON body {"title":T,"desp":D},
//        Content-Type application/json        200, the same
//   another key                               401 {"code":40001,...}
//   another path                              404
//   another method                            405
//   another content type                      415
//   no title, an empty title, a value that is not well-formed
//   percent-encoding (or JSON) or not UTF-8   400 {"code":40000,...}
//   a Host other than its own address         400
//
// "+" in a form value stands for a space, as in every form decoder. Every
// request is kept as it arrived; every message taken is kept decoded.

#include "sim/HttpServer.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quilbex::sim {

struct PushMessage {
    std::string title;  // UTF-8
    std::string text;
    std::string form;  // "query", "form" or "json"
};

class PushService {
public:
    static std::unique_ptr<PushService> start(const std::string& certificate_dir, std::string key,
                                              std::string* error = nullptr);

    std::uint16_t port() const { return m_server->port(); }
    std::vector<Request> requests();
    std::vector<PushMessage> messages();
    // Every later request gets this status (a service that is down), 0 for
    // the usual answers.
    void fail_with(int status);

private:
    PushService() = default;
    Response handle(const Request& request);

    std::string m_key;
    std::unique_ptr<HttpServer> m_server;
    std::mutex m_mutex;
    std::vector<Request> m_requests;
    std::vector<PushMessage> m_messages;
    int m_fail_status = 0;
};

}  // namespace quilbex::sim
