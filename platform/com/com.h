// The COM core: HRESULTs, IUnknown, IClassFactory, object creation by CLSID and a reference-
// counting pointer. Interfaces are structs of pure virtual functions in COM's published slot order
// (no virtual destructor, single inheritance), so a client that knows only the binary layout can
// drive an object made by another library. Single-threaded (apartment) only: nothing is marshalled.
#pragma once

#include <cstddef>
#include <utility>

#include "platform/core/win_types.h"

using SCODE = LONG;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using LCID = DWORD;
using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

// Published HRESULT values. Written as unsigned hexadecimal and narrowed, as the platform does.
constexpr HRESULT makeHresult(std::uint32_t value) {
    return static_cast<HRESULT>(value);
}
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = makeHresult(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = makeHresult(0x80004002);
inline constexpr HRESULT E_POINTER = makeHresult(0x80004003);
inline constexpr HRESULT E_ABORT = makeHresult(0x80004004);
inline constexpr HRESULT E_FAIL = makeHresult(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = makeHresult(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = makeHresult(0x80070005);
inline constexpr HRESULT E_OUTOFMEMORY = makeHresult(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = makeHresult(0x80070057);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = makeHresult(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = makeHresult(0x80040111);
inline constexpr HRESULT REGDB_E_READREGDB = makeHresult(0x80040150);
inline constexpr HRESULT REGDB_E_WRITEREGDB = makeHresult(0x80040151);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = makeHresult(0x80040154);
inline constexpr HRESULT SELFREG_E_TYPELIB = makeHresult(0x80040200);
inline constexpr HRESULT SELFREG_E_CLASS = makeHresult(0x80040201);
inline constexpr HRESULT CO_E_NOTINITIALIZED = makeHresult(0x800401F0);
inline constexpr HRESULT CO_E_CLASSSTRING = makeHresult(0x800401F3);
inline constexpr HRESULT CO_E_DLLNOTFOUND = makeHresult(0x800401F8);
inline constexpr HRESULT CO_E_ERRORINDLL = makeHresult(0x800401F9);

// The all-zero GUID: the `riid` every IDispatch::Invoke and GetIDsOfNames call passes.
inline constexpr IID IID_NULL{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

struct IUnknown {
    static constexpr IID iid{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};

struct IClassFactory : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    // Refuses aggregation (outer != null) with CLASS_E_NOAGGREGATION.
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;
};

inline constexpr IID IID_IUnknown = IUnknown::iid;
inline constexpr IID IID_IClassFactory = IClassFactory::iid;

// Class contexts. Only in-process servers exist here; any other context finds no class.
inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
inline constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
inline constexpr DWORD CLSCTX_ALL =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

// The four entry points an in-process server library exports (extern "C").
using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID riid, void** object);
using DllCanUnloadNowFunction = HRESULT (*)();
using DllRegisterServerFunction = HRESULT (*)();
using DllUnregisterServerFunction = HRESULT (*)();

// Apartment bookkeeping only: there is one apartment and nothing to set up. S_OK the first time on
// a thread, S_FALSE when already initialised.
HRESULT CoInitialize(void* reserved);
HRESULT CoInitializeEx(void* reserved, DWORD flags);
void CoUninitialize();

// Finds the class's library under HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32, loads it once
// (it stays loaded), and asks its DllGetClassObject. REGDB_E_CLASSNOTREG when the class is not
// registered for an in-process server, CO_E_DLLNOTFOUND when the library cannot be loaded,
// CO_E_ERRORINDLL when it lacks DllGetClassObject; otherwise what the library answers.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* serverInfo, REFIID riid,
                         void** object);
// CoGetClassObject for IClassFactory, then CreateInstance. *object is null on any failure.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                         void** object);

void* CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(void* memory);

namespace com {

// An owning interface pointer: AddRef on copy, Release on destruction.
template <typename T>
class Ptr {
  public:
    Ptr() = default;
    Ptr(std::nullptr_t) {}
    // Takes a new reference to `p`.
    Ptr(T* p) : m_p(p) {
        if (m_p)
            m_p->AddRef();
    }
    Ptr(const Ptr& other) : Ptr(other.m_p) {}
    Ptr(Ptr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~Ptr() { reset(); }
    Ptr& operator=(Ptr other) noexcept {
        std::swap(m_p, other.m_p);
        return *this;
    }

    // Adopts a reference the caller already owns.
    static Ptr attach(T* p) {
        Ptr result;
        result.m_p = p;
        return result;
    }
    T* detach() { return std::exchange(m_p, nullptr); }
    void reset() {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    // Releases what is held and returns the slot for an out-parameter.
    T** put() {
        reset();
        return &m_p;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // QueryInterface for interface U (which names its IID as U::iid); null when not supported.
    template <typename U>
    Ptr<U> query() const {
        Ptr<U> result;
        if (m_p)
            m_p->QueryInterface(U::iid, result.putVoid());
        return result;
    }

  private:
    T* m_p = nullptr;
};

}  // namespace com
