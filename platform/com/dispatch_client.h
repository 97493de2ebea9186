// The late-bound client side: calling an object's members by DISPID with C++ values (Dispatch),
// and receiving its events by DISPID (EventSink).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/object.h"
#include "platform/com/oleauto.h"
#include "platform/com/variant.h"

namespace com {

// What a call answered: the HRESULT, the result, and for DISP_E_EXCEPTION the description and
// the member's own HRESULT.
struct Outcome {
    HRESULT hr = S_OK;
    Variant value;
    std::string error;  // EXCEPINFO's description
    SCODE scode = 0;    // EXCEPINFO's scode

    bool succeeded() const { return SUCCEEDED(hr); }
};

class Dispatch {
  public:
    Dispatch() = default;
    explicit Dispatch(Ptr<IDispatch> object) : m_object(std::move(object)) {}
    // Queries `object` for IDispatch; empty when it has none.
    static Dispatch from(IUnknown* object);

    IDispatch* pointer() const { return m_object.get(); }
    explicit operator bool() const { return static_cast<bool>(m_object); }

    // Arguments are given in declared order and passed reversed, as Automation requires.
    Outcome invoke(DISPID dispid, WORD flags, std::vector<Variant> args) const;

    template <typename... A>
    Outcome call(DISPID dispid, const A&... args) const {
        return invoke(dispid, DISPATCH_METHOD, {Variant(args)...});
    }
    // A property read; arguments are the indexes of an indexed property.
    template <typename... A>
    Outcome get(DISPID dispid, const A&... index) const {
        return invoke(dispid, DISPATCH_PROPERTYGET, {Variant(index)...});
    }
    // A property write with the value as the named argument DISPID_PROPERTYPUT.
    template <typename T>
    HRESULT put(DISPID dispid, const T& value) const {
        return invoke(dispid, DISPATCH_PROPERTYPUT, {Variant(value)}).hr;
    }

  private:
    Ptr<IDispatch> m_object;
};

// The arguments of one event, in declared order.
class EventArgs {
  public:
    explicit EventArgs(DISPPARAMS& params) : m_params(params) {}
    UINT count() const { return m_params.cArgs; }
    // Argument `index` as given (possibly VT_BYREF).
    VARIANT& at(UINT index) const { return m_params.rgvarg[m_params.cArgs - 1 - index]; }
    std::optional<LONG> int32(UINT index) const { return Variant::copyOf(at(index)).toInt32(); }
    std::string text(UINT index) const {
        return Variant::copyOf(at(index)).toString().value_or(std::string());
    }
    // Writes through a VT_BYREF|VT_BOOL argument; false when the argument is not one.
    bool setBool(UINT index, bool value) const;

  private:
    DISPPARAMS& m_params;
};

// A sink for one events interface: answers that IID (and IDispatch) and hands every Invoke to a
// function. Invoke answers the handler's HRESULT.
class EventSink final : public Object<IDispatch> {
  public:
    using Handler = std::function<HRESULT(DISPID dispid, const EventArgs& args)>;

    EventSink(REFIID events, Handler handler) : m_events(events), m_handler(std::move(handler)) {}

    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                          DISPID* dispids) override;
    HRESULT Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

  protected:
    void* findInterface(REFIID iid) override;

  private:
    IID m_events;
    Handler m_handler;
};

}  // namespace com
