#include "app/cli/StandardStreams.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quilbex::app {

void keep_standard_streams_harmless() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // open() takes the lowest free descriptor, which is this one; where
        // /dev/null cannot be opened the descriptor stays closed.
        int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd)
            ::close(null);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace quilbex::app
