// Server registration keys and server library loading.
#include "platform/com/registration.h"

#include <dlfcn.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <optional>

#include "platform/core/text.h"
#include "platform/registry/registry.h"

namespace com {

namespace {

std::string hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}

std::string clsidKey(REFCLSID clsid) {
    return "CLSID\\" + core::formatGuid(clsid);
}

std::string typeLibVersionKey(const TypeLibRegistration& lib) {
    return "TypeLib\\" + core::formatGuid(lib.libid) + "\\" + hex(lib.majorVersion) + "." +
           hex(lib.minorVersion);
}

bool write(std::string_view key, std::string_view name, std::string_view text) {
    return registry::writeString(HKEY_CLASSES_ROOT, key, name, text) == ERROR_SUCCESS;
}

bool remove(std::string_view key) {
    const LONG result = registry::deleteTree(HKEY_CLASSES_ROOT, key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

}  // namespace

HRESULT writeClassesValue(std::string_view key, std::string_view valueName, std::string_view text) {
    return write(key, valueName, text) ? S_OK : SELFREG_E_CLASS;
}

HRESULT deleteClassesKey(std::string_view key) {
    return remove(key) ? S_OK : SELFREG_E_CLASS;
}

HRESULT registerCoclass(const CoclassRegistration& coclass) {
    const std::string key = clsidKey(coclass.clsid);
    const std::string server = key + "\\InprocServer32";
    bool ok = write(key, "", coclass.description) && write(server, "", coclass.libraryPath) &&
              write(server, "ThreadingModel", coclass.threadingModel);
    if (ok && !coclass.progId.empty()) {
        const std::string progId(coclass.progId);
        ok = write(key + "\\ProgID", "", progId) && write(progId, "", coclass.description) &&
             write(progId + "\\Clsid", "", core::formatGuid(coclass.clsid));
    }
    if (ok && !coclass.version.empty())
        ok = write(key + "\\Version", "", coclass.version);
    if (ok && coclass.typeLib)
        ok = write(key + "\\TypeLib", "", core::formatGuid(*coclass.typeLib));
    return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT unregisterCoclass(REFCLSID clsid, std::string_view progId) {
    bool ok = remove(clsidKey(clsid));
    if (!progId.empty())
        ok = remove(progId) && ok;
    return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT registerTypeLib(const TypeLibRegistration& lib) {
    const std::string versionKey = typeLibVersionKey(lib);
    bool ok = write(versionKey, "", lib.name) &&
              write(versionKey + "\\" + hex(lib.lcid) + "\\linux64", "", lib.libraryPath) &&
              write(versionKey + "\\FLAGS", "", std::to_string(lib.flags)) &&
              write(versionKey + "\\HELPDIR", "", lib.helpDirectory);
    const std::string libid = core::formatGuid(lib.libid);
    const std::string version = hex(lib.majorVersion) + "." + hex(lib.minorVersion);
    for (const InterfaceRegistration& entry : lib.interfaces) {
        const std::string key = "Interface\\" + core::formatGuid(entry.iid);
        ok = ok && write(key, "", entry.name) && write(key + "\\TypeLib", "", libid) &&
             write(key + "\\TypeLib", "Version", version);
    }
    return ok ? S_OK : SELFREG_E_TYPELIB;
}

HRESULT unregisterTypeLib(const TypeLibRegistration& lib) {
    bool ok = remove(typeLibVersionKey(lib));
    const std::string libKey = "TypeLib\\" + core::formatGuid(lib.libid);
    if (registry::subkeyNames(HKEY_CLASSES_ROOT, libKey).empty())
        ok = remove(libKey) && ok;
    for (const InterfaceRegistration& entry : lib.interfaces)
        ok = remove("Interface\\" + core::formatGuid(entry.iid)) && ok;
    return ok ? S_OK : SELFREG_E_TYPELIB;
}

namespace {

// The handle of a server library, loaded on first use. The loader counts references, so a load
// that lost a race costs nothing; a load that failed is tried again by the next caller.
void* loadServerLibrary(std::string_view libraryPath, std::string* error) {
    static std::mutex mutex;
    static std::map<std::string, void*, std::less<>> loaded;
    {
        const std::lock_guard lock(mutex);
        if (auto found = loaded.find(libraryPath); found != loaded.end())
            return found->second;
    }
    // Loading runs the library's own initialisers, which may ask for another server: never under
    // the lock.
    const std::string path(libraryPath);
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        if (error)
            *error = "cannot load " + path + ": " + (reason ? reason : "unknown reason");
        return nullptr;
    }
    const std::lock_guard lock(mutex);
    loaded.emplace(path, handle);
    return handle;
}

std::optional<std::string> inprocServerPath(REFCLSID clsid) {
    std::optional<std::string> path = registry::readString(
        HKEY_CLASSES_ROOT, "CLSID\\" + core::formatGuid(clsid) + "\\InprocServer32", "");
    if (path && path->empty())
        path.reset();
    return path;
}

}  // namespace

HRESULT findServerEntry(std::string_view libraryPath, const char* entryPoint, void** function,
                        std::string* error) {
    if (!function)
        return E_POINTER;
    *function = nullptr;
    void* handle = loadServerLibrary(libraryPath, error);
    if (!handle)
        return CO_E_DLLNOTFOUND;
    dlerror();
    *function = dlsym(handle, entryPoint);
    if (!*function) {
        if (error)
            *error = std::string(libraryPath) + " has no entry point " + entryPoint;
        return CO_E_ERRORINDLL;
    }
    return S_OK;
}

ServerPreload::ServerPreload(REFCLSID clsid, std::function<void()> afterwards) {
    std::optional<std::string> path = inprocServerPath(clsid);
    if (!path && !afterwards)
        return;
    m_thread = std::thread([path = std::move(path), afterwards = std::move(afterwards)] {
        if (path)
            loadServerLibrary(*path, nullptr);
        if (afterwards)
            afterwards();
    });
}

ServerPreload::~ServerPreload() {
    if (m_thread.joinable())
        m_thread.join();
}

}  // namespace com

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void*, REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!(context & CLSCTX_INPROC_SERVER))
        return REGDB_E_CLASSNOTREG;
    const std::optional<std::string> path = com::inprocServerPath(clsid);
    if (!path)
        return REGDB_E_CLASSNOTREG;
    void* entry = nullptr;
    if (HRESULT hr = com::findServerEntry(*path, "DllGetClassObject", &entry); FAILED(hr))
        return hr;
    return reinterpret_cast<DllGetClassObjectFunction>(entry)(clsid, riid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                         void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    com::Ptr<IClassFactory> factory;
    if (HRESULT hr =
            CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, factory.putVoid());
        FAILED(hr))
        return hr;
    if (!factory)
        return E_NOINTERFACE;
    const HRESULT hr = factory->CreateInstance(outer, riid, object);
    if (FAILED(hr))
        *object = nullptr;
    return hr;
}
