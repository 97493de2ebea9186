// One control hosted on a window: made by its class id through the registry, given the property
// values stored with the window, and wired to the window's handler for its events. Every member
// is reached late-bound, by DISPID. A control that could not be made answers every call with a
// failure, so a caller that skips failing calls needs no other test. UI thread only.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/connection_point.h"
#include "platform/com/dispatch_client.h"
#include "platform/com/property_bag.h"

namespace vevuzer {

class HostedControl {
  public:
    using EventHandler = std::function<void(DISPID dispid, const com::EventArgs& args)>;

    HostedControl() = default;
    ~HostedControl();  // release()
    HostedControl(const HostedControl&) = delete;
    HostedControl& operator=(const HostedControl&) = delete;

    // Makes the control, loads `stored` into it and connects `onEvent` to its `events` interface,
    // in that order, as a form does for the controls it holds. Returns the first failure; a
    // control that was made stays usable even when its events could not be connected.
    HRESULT create(REFCLSID clsid, IPropertyBag* stored, REFIID events, EventHandler onEvent);
    // Hosts a control made by the program itself, connecting `onEvent` to its `events` interface.
    HRESULT adopt(com::Ptr<IDispatch> control, REFIID events, EventHandler onEvent);
    // Disconnects the events and lets the control go. Harmless when there is none.
    void release();

    bool exists() const { return static_cast<bool>(m_control); }
    const com::Dispatch& dispatch() const { return m_control; }

    // A property read converted to the type asked for; nothing when the call or the conversion
    // fails.
    std::optional<bool> getBool(DISPID dispid) const;
    std::optional<LONG> getLong(DISPID dispid) const;
    std::optional<std::string> getText(DISPID dispid) const;
    HRESULT putBool(DISPID dispid, bool value) const;
    HRESULT putLong(DISPID dispid, LONG value) const;
    HRESULT putText(DISPID dispid, std::string_view value) const;
    com::Outcome call(DISPID dispid) const;

  private:
    HRESULT connectEvents(REFIID events, EventHandler onEvent);

    com::Dispatch m_control;
    com::Ptr<com::EventSink> m_sink;
    IID m_events{};
    DWORD m_cookie = 0;
};

}  // namespace vevuzer
