// lkLK36 as an in-process COM server: one class factory per control, the count that decides
// whether the library may be unloaded, and the registry keys that let COM find the controls.
// The four exported entry points (lkLK36_exports.cpp) are thin calls into this.
#pragma once

#include <span>
#include <string_view>

#include "lkLK36/activex/lkLK36_TLB.h"
#include "platform/com/object.h"

namespace lkLK36 {

// Counts every live control object and every LockServer(TRUE) of a factory. Each control holds a
// com::ServerModule::Ref on it for its whole life.
com::ServerModule& serverModule();

// One row per control, in the order the factories are made: Line, Phone, Play, Record.
struct ControlClass {
    const ControlIdentity& identity;
    const com::CoclassTable& (*coclass)();
    // Makes one control and answers the requested interface on it.
    com::CreateFunction create;
};
std::span<const ControlClass> controlClasses();

// The one verb of every control: number 0, the primary verb.
inline constexpr int kPropertiesVerb = 0;
inline constexpr std::string_view kPropertiesVerbName = "Properties";
// OLEMISC_RECOMPOSEONRESIZE | CANTLINKINSIDE | INSIDEOUT | ACTIVATEWHENVISIBLE |
// SETCLIENTSITEFIRST, added to the controls' own status of 0.
inline constexpr unsigned kMiscStatus = 0x1 | 0x10 | 0x80 | 0x100 | 0x20000;
static_assert(kMiscStatus == 131473);

// DllGetClassObject: the factory of a control whose class is built, for IUnknown or
// IClassFactory (else E_NOINTERFACE); CLASS_E_CLASSNOTAVAILABLE and a null *object for any other
// CLSID; E_POINTER for a null `object`.
HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** object);

// DllCanUnloadNow: S_OK when no control is alive and no factory is locked, else S_FALSE.
HRESULT canUnloadNow();

// DllRegisterServer for the library at `libraryPath`: the type library first (the path as its
// file, the path's folder as its help folder), then each control's keys under HKEY_CLASSES_ROOT.
// E_FAIL at the first key that cannot be written (keys already written stay), with the reason
// left as the thread's error information.
HRESULT registerServer(std::string_view libraryPath);

// DllUnregisterServer: the type library, then each control's keys, one key at a time from the
// innermost out. A key that is missing, or that still holds keys another program added, is
// skipped. E_FAIL only when the registry could not be changed at all.
HRESULT unregisterServer();

}  // namespace lkLK36
