#include "platform/core/handles.h"

#include <unistd.h>

#include <cstdint>

namespace core {

HANDLE handleFromDescriptor(int fd) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd));
}

int descriptorOf(HANDLE handle) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(handle));
}

}  // namespace core

BOOL CloseHandle(HANDLE handle) {
    const int fd = core::descriptorOf(handle);
    if (fd < 0)
        return FALSE;
    return ::close(fd) == 0 ? TRUE : FALSE;
}
