// Building blocks for objects that implement interfaces: reference counting and QueryInterface
// (Object), the per-library count that DllCanUnloadNow answers from (ServerModule), and a class
// factory (ClassFactory) with the DllGetClassObject lookup over a table of factories.
#pragma once

#include <atomic>
#include <span>
#include <type_traits>
#include <utility>

#include "platform/com/com.h"

namespace com {

namespace detail {

template <typename I>
concept HasBase = requires {
    typename I::Base;
};

// True when `iid` names interface I or one it derives from (other than IUnknown).
template <typename I>
bool implementsIid(REFIID iid) {
    if (iid == I::iid)
        return true;
    if constexpr (HasBase<I>) {
        if constexpr (!std::is_same_v<typename I::Base, IUnknown>)
            return implementsIid<typename I::Base>(iid);
    }
    return false;
}

}  // namespace detail

// Implements IUnknown for the listed interfaces. The object starts with one reference, owned by
// whoever made it (see make()), and deletes itself when the last reference is released.
// QueryInterface answers IUnknown (through the first interface, so identity holds), each listed
// interface and the interfaces they derive from; a derived class adds IIDs by overriding
// findInterface.
template <typename First, typename... Rest>
class Object : public First, public Rest... {
  public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = findInterface(iid);
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_references; }
    ULONG Release() override {
        const ULONG left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }

  protected:
    Object() = default;
    virtual ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    // The interface pointer for `iid` without a new reference, or null.
    virtual void* findInterface(REFIID iid) {
        if (iid == IUnknown::iid)
            return static_cast<First*>(this);
        void* found = match<First>(iid);
        ((found = found ? found : match<Rest>(iid)), ...);
        return found;
    }

  private:
    template <typename I>
    void* match(REFIID iid) {
        return detail::implementsIid<I>(iid) ? static_cast<I*>(this) : nullptr;
    }

    std::atomic<ULONG> m_references{1};
};

// Makes an object and adopts its first reference.
template <typename T, typename... Args>
Ptr<T> make(Args&&... args) {
    return Ptr<T>::attach(new T(std::forward<Args>(args)...));
}

// What a server library counts for DllCanUnloadNow: its live objects and LockServer(TRUE) calls.
class ServerModule {
  public:
    void lock() { ++m_count; }
    void unlock() { --m_count; }
    LONG count() const { return m_count; }
    // S_OK when nothing is alive or locked, else S_FALSE.
    HRESULT canUnloadNow() const { return m_count == 0 ? S_OK : S_FALSE; }

    // Held as a member by each object the library hands out, so it counts for its whole life.
    class Ref {
      public:
        explicit Ref(ServerModule& module) : m_module(module) { m_module.lock(); }
        ~Ref() { m_module.unlock(); }
        Ref(const Ref&) = delete;
        Ref& operator=(const Ref&) = delete;

      private:
        ServerModule& m_module;
    };

  private:
    std::atomic<LONG> m_count{0};
};

// Makes one object and answers `iid` on it; what ClassFactory calls.
using CreateFunction = HRESULT (*)(REFIID iid, void** object);

// Makes a T and queries it for `iid`: a CreateFunction for ClassFactory.
template <typename T>
HRESULT createInstance(REFIID iid, void** object) {
    Ptr<T> instance = make<T>();
    return instance->QueryInterface(iid, object);
}

// A class factory that lives as long as its library (a static object): references to it do not
// keep the library loaded, LockServer does. Aggregation is refused.
class ClassFactory final : public IClassFactory {
  public:
    ClassFactory(ServerModule& module, CreateFunction create)
        : m_module(module), m_create(create) {}

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT LockServer(BOOL lock) override;

  private:
    ServerModule& m_module;
    CreateFunction m_create;
};

struct ClassEntry {
    const CLSID& clsid;
    IClassFactory& factory;
};

// DllGetClassObject over a table of factories: CLASS_E_CLASSNOTAVAILABLE (and null) for a CLSID
// not in the table, else the factory's answer to `iid` (E_NOINTERFACE for other than
// IUnknown/IClassFactory).
HRESULT getClassObject(std::span<const ClassEntry> classes, REFCLSID clsid, REFIID iid,
                       void** object);

}  // namespace com
