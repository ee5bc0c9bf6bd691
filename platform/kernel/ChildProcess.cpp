#include "platform/kernel/ChildProcess.h"

#include "platform/kernel/UniqueFd.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace quilbex::app {

namespace {

using Fd = kernel::UniqueFd;

struct Pipe {
    Fd read;
    Fd write;
    bool open() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        read.reset(fds[0]);
        write.reset(fds[1]);
        return true;
    }
};

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&m_actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

// Feeds `input` and collects both outputs at once, so that neither side
// blocks on a full pipe.
void exchange(Fd& in, const std::string& input, Fd& out, Fd& err, ChildResult& result) {
    std::size_t sent = 0;
    if (input.empty())
        in.reset();
    char buffer[4096];
    while (in.get() >= 0 || out.get() >= 0 || err.get() >= 0) {
        pollfd fds[3] = {{in.get(), POLLOUT, 0}, {out.get(), POLLIN, 0}, {err.get(), POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents) {
            ssize_t n = ::write(in.get(), input.data() + sent, input.size() - sent);
            if (n > 0)
                sent += static_cast<std::size_t>(n);
            if (n < 0 || sent == input.size())
                in.reset();
        }
        Fd* sources[2] = {&out, &err};
        std::string* sinks[2] = {&result.out, &result.err};
        for (int i = 0; i < 2; ++i) {
            if (!fds[i + 1].revents)
                continue;
            ssize_t n = ::read(sources[i]->get(), buffer, sizeof buffer);
            if (n > 0)
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR)
                sources[i]->reset();
        }
    }
}

}  // namespace

ChildResult run_child(const std::vector<std::string>& args, const std::string& input) {
    ChildResult result;
    Pipe in, out, err;
    if (args.empty() || !in.open() || !out.open() || !err.open())
        return result;
    std::vector<std::string> texts = args;
    std::vector<char*> argv;
    for (auto& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    SpawnActions actions;
    posix_spawn_file_actions_adddup2(actions.get(), in.read.get(), 0);
    posix_spawn_file_actions_adddup2(actions.get(), out.write.get(), 1);
    posix_spawn_file_actions_adddup2(actions.get(), err.write.get(), 2);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], actions.get(), nullptr, argv.data(), environ) != 0)
        return result;
    result.started = true;
    in.read.reset();
    out.write.reset();
    err.write.reset();
    // A child that stops reading must not end this process.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    exchange(in.write, input, out.read, err.read, result);
    ::sigaction(SIGPIPE, &previous, nullptr);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return result;
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace quilbex::app
