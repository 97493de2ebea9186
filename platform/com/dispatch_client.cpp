#include "platform/com/dispatch_client.h"

#include <algorithm>

namespace com {

Dispatch Dispatch::from(IUnknown* object) {
    Ptr<IDispatch> dispatch;
    if (object)
        object->QueryInterface(IDispatch::iid, dispatch.putVoid());
    return Dispatch(std::move(dispatch));
}

Outcome Dispatch::invoke(DISPID dispid, WORD flags, std::vector<Variant> args) const {
    Outcome outcome;
    if (!m_object) {
        outcome.hr = E_POINTER;
        return outcome;
    }
    std::reverse(args.begin(), args.end());
    DISPID named = DISPID_PROPERTYPUT;
    const bool isPut = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    DISPPARAMS params{args.empty() ? nullptr : &args.front().raw(), isPut ? &named : nullptr,
                      static_cast<UINT>(args.size()), isPut ? 1u : 0u};
    EXCEPINFO excepInfo{};
    UINT argErr = 0;
    outcome.hr = m_object->Invoke(dispid, IID_NULL, 0, flags, &params,
                                  isPut ? nullptr : outcome.value.put(), &excepInfo, &argErr);
    if (outcome.hr == DISP_E_EXCEPTION) {
        outcome.error = utf8FromBstr(excepInfo.bstrDescription);
        outcome.scode = excepInfo.scode;
    }
    SysFreeString(excepInfo.bstrSource);
    SysFreeString(excepInfo.bstrDescription);
    SysFreeString(excepInfo.bstrHelpFile);
    return outcome;
}

bool EventArgs::setBool(UINT index, bool value) const {
    VARIANT& arg = at(index);
    if (arg.vt == (VT_BYREF | VT_BOOL) && arg.pboolVal) {
        *arg.pboolVal = toVariantBool(value);
        return true;
    }
    if (arg.vt == (VT_BYREF | VT_VARIANT) && arg.pvarVal && arg.pvarVal->vt == VT_BOOL) {
        arg.pvarVal->boolVal = toVariantBool(value);
        return true;
    }
    return false;
}

HRESULT EventSink::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_INVALIDARG;
    *count = 0;
    return S_OK;
}

HRESULT EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) {
    if (typeInfo)
        *typeInfo = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* dispids) {
    for (UINT i = 0; dispids && i < count; ++i)
        dispids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT EventSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO*, UINT*) {
    if (result)
        VariantInit(result);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (!m_handler)
        return S_OK;
    // A handler that throws must not unwind into the control that fired the event.
    try {
        return m_handler(dispid, EventArgs(params ? *params : none));
    } catch (...) {
        return E_UNEXPECTED;
    }
}

void* EventSink::findInterface(REFIID iid) {
    if (iid == m_events)
        return static_cast<IDispatch*>(this);
    return Object<IDispatch>::findInterface(iid);
}

}  // namespace com
