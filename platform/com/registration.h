// Registration of in-process servers under HKEY_CLASSES_ROOT, for a library's DllRegisterServer
// and DllUnregisterServer, and the loading of server libraries that CoCreateInstance and a
// registration tool share.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <thread>

#include "platform/com/com.h"

namespace com {

struct CoclassRegistration {
    CLSID clsid;
    std::string_view progId;       // "lkLK36.lkLine"
    std::string_view description;  // the default value of the CLSID and ProgID keys
    std::string_view libraryPath;  // written as it is
    std::string_view threadingModel = "Apartment";
    std::string_view version = {};  // the Version key, when given
    const GUID* typeLib = nullptr;  // the TypeLib key, when given
};

// Writes CLSID\{clsid} (description) with InprocServer32 (path, ThreadingModel), ProgID, Version
// and TypeLib, and <ProgID> (description) with Clsid. SELFREG_E_CLASS when a key cannot be written.
HRESULT registerCoclass(const CoclassRegistration& coclass);
// Removes CLSID\{clsid} and <ProgID> with everything below them; missing keys are no failure.
HRESULT unregisterCoclass(REFCLSID clsid, std::string_view progId);

struct InterfaceRegistration {
    IID iid;
    std::string_view name;
};

struct TypeLibRegistration {
    GUID libid;
    WORD majorVersion;
    WORD minorVersion;
    LCID lcid;
    std::string_view name;
    std::string_view libraryPath;
    std::string_view helpDirectory;
    WORD flags = 0;  // LIBFLAG_*
    std::span<const InterfaceRegistration> interfaces = {};
};

inline constexpr WORD LIBFLAG_FRESTRICTED = 0x1;
inline constexpr WORD LIBFLAG_FCONTROL = 0x2;
inline constexpr WORD LIBFLAG_FHIDDEN = 0x4;
inline constexpr WORD LIBFLAG_FHASDISKIMAGE = 0x8;

// The type library's keys: TypeLib\{libid}\<major.minor> (name) with <lcid>\linux64 (the library,
// which carries its type information compiled in), FLAGS and HELPDIR; and for each interface
// Interface\{iid} (name) with TypeLib ({libid}, Version). Versions and LCID are hexadecimal, as
// type libraries write them. SELFREG_E_TYPELIB when a key cannot be written.
HRESULT registerTypeLib(const TypeLibRegistration& typeLib);
// Removes that version of the library and the listed interfaces' keys; the library's key goes
// when no other version is left. Missing keys are no failure.
HRESULT unregisterTypeLib(const TypeLibRegistration& typeLib);

// For the keys a server writes itself: creates HKCR\<key> as needed and sets the named value (the
// default value for an empty name) as REG_SZ. SELFREG_E_CLASS on failure.
HRESULT writeClassesValue(std::string_view key, std::string_view valueName, std::string_view text);
// Deletes HKCR\<key> with everything below it; a missing key is no failure.
HRESULT deleteClassesKey(std::string_view key);

// Loads a server library once per path (it stays loaded; RTLD_NOW | RTLD_LOCAL) and finds one of
// its entry points. CO_E_DLLNOTFOUND when the library cannot be loaded, CO_E_ERRORINDLL when it
// lacks the entry point; `error` (optional) then says why in words.
HRESULT findServerEntry(std::string_view libraryPath, const char* entryPoint, void** function,
                        std::string* error = nullptr);

// Loads the library registered as the in-process server of `clsid` on a thread of its own, so that
// creating the class later finds it loaded (or waits for that load) instead of loading it then.
// The registration is read on the calling thread. A class not registered, or a library that cannot
// be loaded, is left for the creation to meet and report as it would have. The library's
// initialisers run on that thread: only for a library whose loading needs no particular thread.
// `afterwards`, when given, runs on the same thread once the load has ended (however it ended):
// work to start off the calling thread too, where making a thread of its own would wait for the
// load in progress. Going away waits for both.
class ServerPreload {
  public:
    explicit ServerPreload(REFCLSID clsid, std::function<void()> afterwards = {});
    ~ServerPreload();
    ServerPreload(const ServerPreload&) = delete;
    ServerPreload& operator=(const ServerPreload&) = delete;

  private:
    std::thread m_thread;
};

}  // namespace com
