#include "vevuzer/shell/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/folders.h"

namespace vevuzer {

SingleInstance::~SingleInstance() {
    giveUp();
}

std::filesystem::path SingleInstance::lockPath() {
    return core::programFolder() / "vevuzer.lock";
}

bool SingleInstance::claim() {
    if (holding()) {
        return true;
    }
    const int fd = ::open(lockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool heldElsewhere = errno == EWOULDBLOCK;
        ::close(fd);
        return !heldElsewhere;
    }
    m_fd = fd;
    return true;
}

void SingleInstance::giveUp() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

}  // namespace vevuzer
