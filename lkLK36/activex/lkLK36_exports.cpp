// The four entry points through which the COM runtime finds, registers and unloads the controls.
// Until the controls join, no class is available and registration has nothing to write.
#include "platform/core/win_types.h"

namespace {

namespace hresult {
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111);
}  // namespace hresult

}  // namespace

#define LKLK36_EXPORT extern "C" __attribute__((visibility("default")))

LKLK36_EXPORT HRESULT DllGetClassObject(const CLSID& /*rclsid*/, const IID& /*riid*/, void** ppv) {
    if (!ppv)
        return hresult::E_POINTER;
    *ppv = nullptr;
    return hresult::CLASS_E_CLASSNOTAVAILABLE;
}

// No object of the library is alive while no class can be made.
LKLK36_EXPORT HRESULT DllCanUnloadNow() {
    return hresult::S_OK;
}

LKLK36_EXPORT HRESULT DllRegisterServer() {
    return hresult::S_OK;
}

LKLK36_EXPORT HRESULT DllUnregisterServer() {
    return hresult::S_OK;
}
