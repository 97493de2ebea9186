#include "platform/com/object.h"

namespace com {

HRESULT ClassFactory::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (iid == IUnknown::iid || iid == IClassFactory::iid) {
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return m_create(iid, object);
}

HRESULT ClassFactory::LockServer(BOOL lock) {
    if (lock)
        m_module.lock();
    else
        m_module.unlock();
    return S_OK;
}

HRESULT getClassObject(std::span<const ClassEntry> classes, REFCLSID clsid, REFIID iid,
                       void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    for (const ClassEntry& entry : classes) {
        if (entry.clsid == clsid)
            return entry.factory.QueryInterface(iid, object);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace com
