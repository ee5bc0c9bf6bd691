#include "platform/kernel/RegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quilbex::kernel {

Result<UniqueFd> open_regular_file(const std::string& path, int flags, mode_t mode) {
    int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) {
        // O_NOFOLLOW answers ELOOP for a link; a FIFO opened for writing
        // without a reader answers ENXIO.
        if (errno == ELOOP)
            return Failure{"它是符号链接"};
        if (errno == ENXIO)
            return Failure{"它不是普通文件"};
        return Failure{std::strerror(errno)};
    }
    UniqueFd opened(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return Failure{std::strerror(errno)};
    if (!S_ISREG(info.st_mode))
        return Failure{"它不是普通文件"};
    return opened;
}

}  // namespace quilbex::kernel
