#include "platform/com/connection_point.h"

#include <algorithm>

namespace com {

HRESULT EventSource::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (iid == IUnknown::iid || iid == IConnectionPoint::iid) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT EventSource::GetConnectionInterface(IID* iid) {
    if (!iid)
        return E_POINTER;
    *iid = m_events;
    return S_OK;
}

HRESULT EventSource::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container)
        return E_POINTER;
    *container = &m_container;
    m_container.AddRef();
    return S_OK;
}

HRESULT EventSource::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie)
        return E_POINTER;
    *cookie = 0;
    if (m_sink)
        return CONNECT_E_ADVISELIMIT;
    // The sink must speak the events interface itself; a plain IDispatch is not enough.
    Ptr<IDispatch> events;
    if (FAILED(sink->QueryInterface(m_events, events.putVoid())) || !events)
        return CONNECT_E_CANNOTCONNECT;
    m_sink = std::move(events);
    m_cookie = ++m_lastCookie;
    *cookie = m_cookie;
    return S_OK;
}

HRESULT EventSource::Unadvise(DWORD cookie) {
    if (!m_sink || cookie != m_cookie)
        return CONNECT_E_NOCONNECTION;
    m_sink.reset();
    m_cookie = 0;
    return S_OK;
}

HRESULT EventSource::EnumConnections(IEnumConnections** connections) {
    if (connections)
        *connections = nullptr;
    return E_NOTIMPL;
}

HRESULT EventSource::find(REFIID iid, IConnectionPoint** point) {
    if (!point)
        return E_POINTER;
    if (iid != m_events) {
        *point = nullptr;
        return CONNECT_E_NOCONNECTION;
    }
    *point = this;
    AddRef();
    return S_OK;
}

HRESULT EventSource::fire(DISPID dispid, std::vector<Variant> args) {
    const Ptr<IDispatch> sink = m_sink;
    if (!sink)
        return S_FALSE;
    std::reverse(args.begin(), args.end());
    DISPPARAMS params{args.empty() ? nullptr : &args.front().raw(), nullptr,
                      static_cast<UINT>(args.size()), 0};
    return sink->Invoke(dispid, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

Variant eventArg(std::string_view text) {
    Variant value;
    VARIANT* raw = value.put();
    raw->vt = VT_BSTR;
    raw->bstrVal = bstrFromUtf8OrNull(text);
    return value;
}

namespace {

Ptr<IConnectionPoint> findPoint(IUnknown* source, REFIID events) {
    if (!source)
        return nullptr;
    Ptr<IConnectionPointContainer> container;
    if (FAILED(source->QueryInterface(IConnectionPointContainer::iid, container.putVoid())))
        return nullptr;
    Ptr<IConnectionPoint> point;
    container->FindConnectionPoint(events, point.put());
    return point;
}

}  // namespace

HRESULT connectSink(IUnknown* source, REFIID events, IUnknown* sink, DWORD* cookie) {
    Ptr<IConnectionPoint> point = findPoint(source, events);
    if (!point)
        return CONNECT_E_NOCONNECTION;
    return point->Advise(sink, cookie);
}

HRESULT disconnectSink(IUnknown* source, REFIID events, DWORD cookie) {
    Ptr<IConnectionPoint> point = findPoint(source, events);
    if (!point)
        return CONNECT_E_NOCONNECTION;
    return point->Unadvise(cookie);
}

}  // namespace com
