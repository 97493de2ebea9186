// Apartment bookkeeping and task memory. There is one apartment per thread and nothing to marshal,
// so initialisation only counts.
#include <cstdlib>

#include "platform/com/com.h"

namespace {

thread_local int t_initialised = 0;

}  // namespace

HRESULT CoInitialize(void* reserved) {
    return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

HRESULT CoInitializeEx(void*, DWORD) {
    return t_initialised++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (t_initialised > 0)
        --t_initialised;
}

void* CoTaskMemAlloc(std::size_t size) {
    return std::malloc(size);
}

void CoTaskMemFree(void* memory) {
    std::free(memory);
}
