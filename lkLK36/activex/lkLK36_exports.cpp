// The four entry points through which the COM runtime and regsvr find, register and unload the
// controls. Nothing else of the library is visible from outside (lkLK36.map).
#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "lkLK36/activex/lkLK36_server.h"
#include "lkLK36/vantage/vantage_windows.h"

namespace {

// The controls' monitor windows are offered for as long as the library is loaded.
struct VantageWindowsOffered {
    VantageWindowsOffered() { installVantageWindows(); }
    ~VantageWindowsOffered() { removeVantageWindows(); }
} const g_vantageWindows;

// The file this library was loaded from, as the loader names it. A library opened by a relative
// name is named relative to the folder current at that moment, taken to be the current one still:
// registered keys must hold a full path.
std::string ownPath() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&ownPath), &info) || !info.dli_fname)
        return {};
    const std::filesystem::path path(info.dli_fname);
    if (path.is_absolute())
        return path.string();
    std::error_code ignored;
    return std::filesystem::absolute(path, ignored).lexically_normal().string();
}

}  // namespace

#define LKLK36_EXPORT extern "C" __attribute__((visibility("default")))

LKLK36_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    return lkLK36::getClassObject(rclsid, riid, ppv);
}

LKLK36_EXPORT HRESULT DllCanUnloadNow() {
    return lkLK36::canUnloadNow();
}

LKLK36_EXPORT HRESULT DllRegisterServer() {
    const std::string path = ownPath();
    if (path.empty())
        return E_FAIL;
    return lkLK36::registerServer(path);
}

LKLK36_EXPORT HRESULT DllUnregisterServer() {
    return lkLK36::unregisterServer();
}
