// Kernel handles. A HANDLE that a layer hands out (the data-modem handle of a telephone call) holds
// an open file descriptor; CloseHandle closes it, exactly once.
#pragma once

#include "platform/core/win_types.h"

// Returns FALSE for a handle that holds no open descriptor.
BOOL CloseHandle(HANDLE handle);

namespace core {
HANDLE handleFromDescriptor(int fd);
int descriptorOf(HANDLE handle);
}  // namespace core
