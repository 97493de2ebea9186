// Writes `count` values named "<prefix>-<n>" under HKCU\Software\Belltale\Concurrent, each through
// its own open, write and close, so another process writing at the same time gets every chance to
// interleave. Exits non-zero when any write fails.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/registry/registry.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: registry_test_writer <count> <prefix>\n");
        return 2;
    }
    const int count = std::atoi(argv[1]);
    const std::string prefix = argv[2];
    for (int n = 0; n < count; ++n) {
        const std::string name = prefix + "-" + std::to_string(n);
        if (registry::writeString(HKEY_CURRENT_USER, "Software\\Belltale\\Concurrent", name,
                                  std::to_string(n)) != ERROR_SUCCESS) {
            std::fprintf(stderr, "writing %s failed\n", name.c_str());
            return 1;
        }
    }
    return 0;
}
