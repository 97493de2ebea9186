// Registers the control library in the test's program folder, as `make run` does for a real run,
// so the main window can create its controls by class id. The test target defines LKLK36_LIBRARY
// as the built library's path.
#pragma once

#include <dlfcn.h>

#include "platform/com/com.h"

namespace vevuzer::testing {

inline HRESULT registerControlLibrary() {
    void* library = dlopen(LKLK36_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        return CO_E_DLLNOTFOUND;
    }
    auto entry = reinterpret_cast<DllRegisterServerFunction>(dlsym(library, "DllRegisterServer"));
    const HRESULT hr = entry ? entry() : CO_E_ERRORINDLL;
    dlclose(library);
    return hr;
}

}  // namespace vevuzer::testing
