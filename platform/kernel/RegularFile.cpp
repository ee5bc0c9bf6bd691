#include "platform/kernel/RegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quilbex::kernel {

OpenedFile open_regular_file(const std::string& path, int flags, mode_t mode) {
    OpenedFile result;
    int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) {
        // O_NOFOLLOW answers ELOOP for a link; a FIFO opened for writing
        // without a reader answers ENXIO.
        if (errno == ELOOP)
            result.problem = "它是符号链接";
        else if (errno == ENXIO)
            result.problem = "它不是普通文件";
        else
            result.problem = std::strerror(errno);
        return result;
    }
    UniqueFd opened(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result.problem = std::strerror(errno);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.problem = "它不是普通文件";
        return result;
    }
    result.fd = std::move(opened);
    return result;
}

}  // namespace quilbex::kernel
