#include "platform/qt/single_instance.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace hk {

std::filesystem::path SingleInstanceLock::DefaultPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime)
        return std::filesystem::path(runtime) / "HARUKAZEEXE";
    return std::filesystem::path("/tmp") / ("HARUKAZEEXE-" + std::to_string(::getuid()));
}

SingleInstanceLock::~SingleInstanceLock() {
    Release();
}

SingleInstanceLock::Result SingleInstanceLock::Acquire(const std::filesystem::path& path) {
    Release();
    m_error.clear();
    // O_NOFOLLOW: in a shared /tmp somebody else's symbolic link must not choose our file.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        m_error = "cannot open the lock file \"" + path.string() + "\": " + std::strerror(errno);
        return Result::Error;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return Result::HeldByAnother;
        m_error = "cannot lock \"" + path.string() + "\": " + std::strerror(error);
        return Result::Error;
    }
    m_fd = fd;
    return Result::Acquired;
}

void SingleInstanceLock::Release() {
    if (m_fd >= 0) {
        ::close(m_fd); // closing the only descriptor drops the lock
        m_fd = -1;
    }
}

} // namespace hk
