#pragma once
// The owner of an open file descriptor: it closes the descriptor when it goes
// out of scope. Every descriptor the program opens itself is held by one.

#include <unistd.h>
#include <utility>

namespace quilbex::kernel {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueFd() { reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    int release() { return std::exchange(m_fd, -1); }
    void reset(int fd = -1) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes now and gives close()'s result: a written file is only known to
    // be safe once its close has succeeded.
    int close() { return m_fd >= 0 ? ::close(release()) : 0; }

private:
    int m_fd = -1;
};

}  // namespace quilbex::kernel
