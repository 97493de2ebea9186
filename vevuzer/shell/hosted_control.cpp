#include "vevuzer/shell/hosted_control.h"

#include "platform/com/com.h"

namespace vevuzer {

HostedControl::~HostedControl() {
    release();
}

HRESULT HostedControl::create(REFCLSID clsid, IPropertyBag* stored, REFIID events,
                              EventHandler onEvent) {
    release();
    com::Ptr<IDispatch> control;
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, control.putVoid());
    if (FAILED(hr)) {
        return hr;
    }
    m_control = com::Dispatch(control);
    hr = com::loadProperties(control.get(), stored);
    const HRESULT connected = connectEvents(events, std::move(onEvent));
    return FAILED(hr) ? hr : connected;
}

HRESULT HostedControl::adopt(com::Ptr<IDispatch> control, REFIID events, EventHandler onEvent) {
    release();
    if (!control) {
        return E_POINTER;
    }
    m_control = com::Dispatch(std::move(control));
    return connectEvents(events, std::move(onEvent));
}

HRESULT HostedControl::connectEvents(REFIID events, EventHandler onEvent) {
    com::Ptr<com::EventSink> sink = com::make<com::EventSink>(
        events, [handler = std::move(onEvent)](DISPID dispid, const com::EventArgs& args) {
            if (handler) {
                handler(dispid, args);
            }
            return S_OK;
        });
    const HRESULT connected = com::connectSink(m_control.pointer(), events, sink.get(), &m_cookie);
    if (SUCCEEDED(connected)) {
        m_sink = std::move(sink);
        m_events = events;
    }
    return connected;
}

void HostedControl::release() {
    if (m_sink && m_control) {
        com::disconnectSink(m_control.pointer(), m_events, m_cookie);
    }
    m_sink.reset();
    m_cookie = 0;
    m_control = com::Dispatch();
}

std::optional<bool> HostedControl::getBool(DISPID dispid) const {
    const com::Outcome outcome = m_control.get(dispid);
    return outcome.succeeded() ? outcome.value.toBool() : std::nullopt;
}

std::optional<LONG> HostedControl::getLong(DISPID dispid) const {
    const com::Outcome outcome = m_control.get(dispid);
    return outcome.succeeded() ? outcome.value.toInt32() : std::nullopt;
}

std::optional<std::string> HostedControl::getText(DISPID dispid) const {
    const com::Outcome outcome = m_control.get(dispid);
    return outcome.succeeded() ? outcome.value.toString() : std::nullopt;
}

HRESULT HostedControl::putBool(DISPID dispid, bool value) const {
    return m_control.put(dispid, value);
}

HRESULT HostedControl::putLong(DISPID dispid, LONG value) const {
    return m_control.put(dispid, value);
}

HRESULT HostedControl::putText(DISPID dispid, std::string_view value) const {
    return m_control.put(dispid, value);
}

com::Outcome HostedControl::call(DISPID dispid) const {
    return m_control.call(dispid);
}

}  // namespace vevuzer
