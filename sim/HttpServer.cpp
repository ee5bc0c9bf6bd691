#include "sim/HttpServer.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <list>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <pthread.h>
#include <set>
#include <signal.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace quilbex::sim {

namespace {

constexpr std::size_t kMaxBodyLength = 64 * 1024 * 1024;

struct SslCtxDeleter {
    void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};
struct SslDeleter {
    void operator()(SSL* ssl) const { SSL_free(ssl); }
};
using SslCtxPtr = std::unique_ptr<SSL_CTX, SslCtxDeleter>;
using SslPtr = std::unique_ptr<SSL, SslDeleter>;

// A file descriptor that is closed when it goes out of scope.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    ~Fd() { reset(); }
    int get() const { return m_fd; }
    void reset() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
};

std::string ssl_error_text() {
    unsigned long code = ERR_get_error();
    if (code == 0)
        return "unknown TLS error";
    char buffer[256];
    ERR_error_string_n(code, buffer, sizeof buffer);
    return buffer;
}

// The byte stream of one connection, plain or TLS.
class Stream {
public:
    Stream(int fd, SSL* ssl) : m_fd(fd), m_ssl(ssl) {}
    long read(char* buffer, std::size_t size) {
        if (m_ssl) {
            int n = SSL_read(m_ssl, buffer, static_cast<int>(size));
            return n > 0 ? n : -1;
        }
        ssize_t n = ::recv(m_fd, buffer, size, 0);
        return n > 0 ? n : -1;
    }
    bool write_all(const std::string& data) {
        std::size_t done = 0;
        while (done < data.size()) {
            long n;
            if (m_ssl) {
                n = SSL_write(m_ssl, data.data() + done, static_cast<int>(data.size() - done));
            } else {
                n = ::send(m_fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
            }
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int m_fd;
    SSL* m_ssl;
};

}  // namespace

struct HttpServer::State {
    Fd listener;
    std::uint16_t port = 0;
    SslCtxPtr ssl_ctx;
    Handler handler;

    std::mutex mutex;
    std::condition_variable stopped_cv;
    bool stopping = false;
    std::set<int> open_connections;
    struct Connection {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::list<Connection> connection_threads;
    std::thread accept_thread;
    int wake_pipe[2] = {-1, -1};

    void accept_loop();
    void serve(int fd);
    bool serve_one(Stream& stream, std::string& buffer);
};

std::unique_ptr<HttpServer> HttpServer::start(std::uint16_t port, const std::optional<TlsFiles>& tls, Handler handler,
                                              std::string* error, Loopback loopback) {
    auto fail = [&](std::string message) -> std::unique_ptr<HttpServer> {
        if (error)
            *error = std::move(message);
        return nullptr;
    };
    auto state = std::make_unique<State>();
    state->handler = std::move(handler);
    if (tls) {
        state->ssl_ctx.reset(SSL_CTX_new(TLS_server_method()));
        if (!state->ssl_ctx)
            return fail(ssl_error_text());
        if (SSL_CTX_use_certificate_chain_file(state->ssl_ctx.get(), tls->certificate_chain.c_str()) != 1)
            return fail("cannot load " + tls->certificate_chain + ": " + ssl_error_text());
        if (SSL_CTX_use_PrivateKey_file(state->ssl_ctx.get(), tls->private_key.c_str(), SSL_FILETYPE_PEM) != 1)
            return fail("cannot load " + tls->private_key + ": " + ssl_error_text());
    }

    const bool v6 = loopback == Loopback::ipv6;
    state->listener = Fd(::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (state->listener.get() < 0)
        return fail("socket() failed");
    int one = 1;
    ::setsockopt(state->listener.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (v6) {
        auto* address = reinterpret_cast<sockaddr_in6*>(&storage);
        address->sin6_family = AF_INET6;
        address->sin6_port = htons(port);
        address->sin6_addr = in6addr_loopback;
        length = sizeof *address;
    } else {
        auto* address = reinterpret_cast<sockaddr_in*>(&storage);
        address->sin_family = AF_INET;
        address->sin_port = htons(port);
        address->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof *address;
    }
    if (::bind(state->listener.get(), reinterpret_cast<sockaddr*>(&storage), length) != 0)
        return fail(std::string("cannot bind ") + (v6 ? "[::1]:" : "127.0.0.1:") + std::to_string(port));
    if (::listen(state->listener.get(), 64) != 0)
        return fail("listen() failed");
    ::getsockname(state->listener.get(), reinterpret_cast<sockaddr*>(&storage), &length);
    state->port = ntohs(v6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port
                           : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
    if (::pipe2(state->wake_pipe, O_CLOEXEC) != 0)
        return fail("pipe2() failed");

    State* raw = state.get();
    state->accept_thread = std::thread([raw] { raw->accept_loop(); });
    return std::unique_ptr<HttpServer>(new HttpServer(std::move(state)));
}

HttpServer::HttpServer(std::unique_ptr<State> state) : m_state(std::move(state)) {}

HttpServer::~HttpServer() {
    stop();
    for (int fd : m_state->wake_pipe) {
        if (fd >= 0)
            ::close(fd);
    }
}

std::uint16_t HttpServer::port() const { return m_state->port; }

bool HttpServer::is_tls() const { return m_state->ssl_ctx != nullptr; }

void HttpServer::stop() {
    State& s = *m_state;
    {
        std::lock_guard lock(s.mutex);
        if (s.stopping)
            return;
        s.stopping = true;
        for (int fd : s.open_connections)
            ::shutdown(fd, SHUT_RDWR);
    }
    s.stopped_cv.notify_all();
    char byte = 1;
    [[maybe_unused]] auto n = ::write(s.wake_pipe[1], &byte, 1);
    if (s.accept_thread.joinable())
        s.accept_thread.join();
    std::list<State::Connection> threads;
    {
        std::lock_guard lock(s.mutex);
        threads.swap(s.connection_threads);
    }
    for (auto& c : threads)
        c.thread.join();
    s.listener.reset();
}

void HttpServer::State::accept_loop() {
    for (;;) {
        pollfd fds[2] = {{listener.get(), POLLIN, 0}, {wake_pipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        int fd = ::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        // Small TLS records (session tickets, short replies) go out at once
        // instead of waiting for the peer's delayed acknowledgement.
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::lock_guard lock(mutex);
        if (stopping) {
            ::close(fd);
            return;
        }
        // Threads of connections that have ended are joined here, so that a
        // long-running server does not collect them.
        for (auto it = connection_threads.begin(); it != connection_threads.end();) {
            if (it->done->load()) {
                it->thread.join();
                it = connection_threads.erase(it);
            } else {
                ++it;
            }
        }
        open_connections.insert(fd);
        auto done = std::make_shared<std::atomic<bool>>(false);
        connection_threads.push_back({std::thread([this, fd, done] {
                                          serve(fd);
                                          done->store(true);
                                      }),
                                      done});
    }
}

void HttpServer::State::serve(int raw_fd) {
    // TLS writes go through plain write(); a peer that has gone must give
    // EPIPE on this thread, not end the process with SIGPIPE.
    sigset_t pipe_signal;
    sigemptyset(&pipe_signal);
    sigaddset(&pipe_signal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);
    Fd fd(raw_fd);
    SslPtr ssl;
    if (ssl_ctx) {
        ssl.reset(SSL_new(ssl_ctx.get()));
        if (ssl && SSL_set_fd(ssl.get(), fd.get()) == 1 && SSL_accept(ssl.get()) == 1) {
            // handshake done
        } else {
            ssl.reset();
        }
    }
    if (!ssl_ctx || ssl) {
        Stream stream(fd.get(), ssl.get());
        std::string buffer;
        while (serve_one(stream, buffer)) {}
        if (ssl)
            SSL_shutdown(ssl.get());
    }
    std::lock_guard lock(mutex);
    open_connections.erase(fd.get());
}

// Reads one request from the connection, answers it and tells whether the
// connection stays open for the next one.
bool HttpServer::State::serve_one(Stream& stream, std::string& buffer) {
    Request request;
    std::size_t head_length = 0;
    char chunk[16384];
    for (;;) {
        ParseResult result = parse_request_head(buffer, request, head_length);
        if (result == ParseResult::Malformed)
            return false;
        if (result == ParseResult::Complete)
            break;
        long n = stream.read(chunk, sizeof chunk);
        if (n <= 0)
            return false;
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
    std::size_t body_length = 0;
    if (auto length = request.header("Content-Length")) {
        try {
            body_length = std::stoul(*length);
        } catch (...) {
            return false;
        }
        if (body_length > kMaxBodyLength)
            return false;
    }
    while (buffer.size() < head_length + body_length) {
        long n = stream.read(chunk, sizeof chunk);
        if (n <= 0)
            return false;
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
    request.body = buffer.substr(head_length, body_length);
    buffer.erase(0, head_length + body_length);

    Response response = handler(request);
    if (response.dropped)
        return false;
    if (response.silent) {
        std::unique_lock lock(mutex);
        stopped_cv.wait(lock, [this] { return stopping; });
        return false;
    }
    if (!stream.write_all(serialise(response)))
        return false;
    // Either side's "Connection: close" ends the connection after this
    // response; a test that names a longer Content-Length than it sends
    // gets a reply cut short.
    auto connection = request.header("Connection");
    if (connection && equals_ignoring_case(*connection, "close"))
        return false;
    for (const auto& [name, value] : response.headers)
        if (equals_ignoring_case(name, "Connection") && equals_ignoring_case(value, "close"))
            return false;
    return true;
}

}  // namespace quilbex::sim
