// Connection points: how a control hands events to its container. The control owns an EventSource
// (its one connection point, for one events interface) that stores at most one sink; events are
// fired as IDispatch::Invoke calls on that sink by DISPID.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/com/oleauto.h"
#include "platform/com/variant.h"

struct IConnectionPoint;
struct IEnumConnections;
struct IEnumConnectionPoints;

struct IConnectionPointContainer : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid{
        0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
    virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) = 0;
    // CONNECT_E_NOCONNECTION (and null) for an interface the object does not source.
    virtual HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** point) = 0;
};

struct IConnectionPoint : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid{
        0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
    virtual HRESULT GetConnectionInterface(IID* iid) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
    virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
    virtual HRESULT Unadvise(DWORD cookie) = 0;
    virtual HRESULT EnumConnections(IEnumConnections** connections) = 0;
};

inline constexpr IID IID_IConnectionPointContainer = IConnectionPointContainer::iid;
inline constexpr IID IID_IConnectionPoint = IConnectionPoint::iid;
inline constexpr IID IID_IEnumConnectionPoints{
    0xB196B285, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IEnumConnections{
    0xB196B287, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

inline constexpr HRESULT CONNECT_E_NOCONNECTION = makeHresult(0x80040200);
inline constexpr HRESULT CONNECT_E_ADVISELIMIT = makeHresult(0x80040201);
inline constexpr HRESULT CONNECT_E_CANNOTCONNECT = makeHresult(0x80040202);

namespace com {

// A control's single connection point, a member of the control (which is `container`). Its
// references are the control's: AddRef and Release go to the container. Advise queries the sink for
// the events interface and refuses a sink that lacks it (CONNECT_E_CANNOTCONNECT) or a second sink
// (CONNECT_E_ADVISELIMIT); Unadvise with another cookie answers CONNECT_E_NOCONNECTION;
// EnumConnections is E_NOTIMPL.
class EventSource final : public IConnectionPoint {
  public:
    EventSource(IConnectionPointContainer& container, REFIID events)
        : m_container(container), m_events(events) {}
    EventSource(const EventSource&) = delete;
    EventSource& operator=(const EventSource&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return m_container.AddRef(); }
    ULONG Release() override { return m_container.Release(); }
    HRESULT GetConnectionInterface(IID* iid) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;
    HRESULT EnumConnections(IEnumConnections** connections) override;

    // For the control's IConnectionPointContainer::FindConnectionPoint.
    HRESULT find(REFIID iid, IConnectionPoint** point);

    bool connected() const { return static_cast<bool>(m_sink); }
    // Drops the sink without waiting for Unadvise: a control being destroyed calls it first, so
    // nothing fired during destruction reaches the container.
    void disconnect() { m_sink.reset(); }

    // Calls the sink's Invoke(dispid, DISPATCH_METHOD) with `args` given in declared order (they
    // are passed reversed, as Automation requires), no named arguments and no result. S_FALSE,
    // with no call, when no sink is connected; otherwise the sink's answer. The sink stays alive
    // for the whole call even if it disconnects itself from inside it.
    HRESULT fire(DISPID dispid, std::vector<Variant> args = {});

  private:
    IConnectionPointContainer& m_container;
    IID m_events;
    Ptr<IDispatch> m_sink;
    DWORD m_cookie = 0;
    DWORD m_lastCookie = 0;
};

// An event argument: what a forwarder passes to EventSource::fire. A string goes out as a BSTR,
// the empty string as the null BSTR; VARIANT_BOOL* goes out by reference.
Variant eventArg(std::string_view text);
inline Variant eventArg(const std::string& text) {
    return eventArg(std::string_view(text));
}
inline Variant eventArg(const char* text) {
    return eventArg(std::string_view(text));
}
inline Variant eventArg(VARIANT_BOOL* target) {
    return Variant::byRef(target);
}
template <typename T>
requires std::is_arithmetic_v<T> || std::is_same_v<T, VARIANT_BOOL> Variant eventArg(T value) {
    return Variant(value);
}

// Fires with C++ values: source.fire(14, handle, SHORT('*'), tag).
template <typename... A>
HRESULT fire(EventSource& source, DISPID dispid, const A&... args) {
    if (!source.connected())
        return S_FALSE;
    std::vector<Variant> values;
    values.reserve(sizeof...(A));
    (values.push_back(eventArg(args)), ...);
    return source.fire(dispid, std::move(values));
}

// Client side: connects `sink` to the `events` connection point of `source`.
HRESULT connectSink(IUnknown* source, REFIID events, IUnknown* sink, DWORD* cookie);
HRESULT disconnectSink(IUnknown* source, REFIID events, DWORD cookie);

}  // namespace com
