// IDispatch and ITypeInfo served from member tables.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/com/static_type_info.h"
#include "platform/com/type_table.h"
#include "platform/com/variant.h"
#include "platform/core/text.h"

namespace com {

namespace {

std::string utf8Of(LPOLESTR name) {
    return name ? core::toUtf8(std::u16string_view(name)) : std::string();
}

// Which accessor a call with `flags` reaches; null when the member has none for it.
const Function* chooseFunction(const Member& member, WORD flags) {
    auto callable = [](const Function& f) { return f.invoke ? &f : nullptr; };
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        // Automation accepts either kind of put for a property that has only one of them.
        const Function* preferred =
            callable((flags & DISPATCH_PROPERTYPUTREF) ? member.putRef : member.put);
        if (preferred)
            return preferred;
        return callable((flags & DISPATCH_PROPERTYPUTREF) ? member.put : member.putRef);
    }
    if ((flags & DISPATCH_METHOD) && member.method.invoke)
        return &member.method;
    if ((flags & DISPATCH_PROPERTYGET) && member.get.invoke)
        return &member.get;
    return nullptr;
}

bool isMissing(const VARIANT& v) {
    return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND;
}

// The arguments of one call in declared order, each of its declared type. Coerced values are
// owned and cleared afterwards; VARIANT and by-reference arguments are borrowed from the caller.
class PreparedArguments {
  public:
    explicit PreparedArguments(std::size_t count) : m_values(count), m_owned(count, false) {
        for (VARIANT& v : m_values)
            VariantInit(&v);
    }
    ~PreparedArguments() {
        for (std::size_t i = 0; i < m_values.size(); ++i) {
            if (m_owned[i])
                VariantClear(&m_values[i]);
        }
    }
    PreparedArguments(const PreparedArguments&) = delete;
    PreparedArguments& operator=(const PreparedArguments&) = delete;

    HRESULT prepare(std::size_t index, VARTYPE declared, VARIANT& given) {
        VARIANT& target = m_values[index];
        const VARIANT& value =
            given.vt == (VT_BYREF | VT_VARIANT) && given.pvarVal ? *given.pvarVal : given;
        if (declared == VT_VARIANT) {
            target = value;
            return S_OK;
        }
        if (declared & VT_BYREF)
            return borrowReference(target, declared, given, value);
        const HRESULT hr = VariantChangeType(&target, &value, 0, declared);
        m_owned[index] = SUCCEEDED(hr);
        return hr;
    }
    VARIANT* data() { return m_values.data(); }

  private:
    // A by-reference argument must be of exactly the declared type, or a reference to a VARIANT
    // holding that type (as a late-bound caller passes its variables).
    static HRESULT borrowReference(VARIANT& target, VARTYPE declared, const VARIANT& given,
                                   const VARIANT& value) {
        if (given.vt == declared) {
            target = given;
            return S_OK;
        }
        if (given.vt == (VT_BYREF | VT_VARIANT) && value.vt == (declared & ~VT_BYREF)) {
            target.vt = declared;
            target.byref = const_cast<void*>(static_cast<const void*>(&value.lVal));
            return S_OK;
        }
        return DISP_E_TYPEMISMATCH;
    }

    std::vector<VARIANT> m_values;
    std::vector<bool> m_owned;
};

void fillException(EXCEPINFO* excepInfo, HRESULT failure, std::string_view fallbackSource,
                   std::string_view fallbackDescription) {
    Ptr<IErrorInfo> info;
    GetErrorInfo(0, info.put());
    if (!excepInfo)
        return;
    std::memset(excepInfo, 0, sizeof(EXCEPINFO));
    excepInfo->scode = failure;
    if (info) {
        info->GetSource(&excepInfo->bstrSource);
        info->GetDescription(&excepInfo->bstrDescription);
        info->GetHelpFile(&excepInfo->bstrHelpFile);
        info->GetHelpContext(&excepInfo->dwHelpContext);
        if (SysStringLen(excepInfo->bstrHelpFile) == 0) {
            SysFreeString(excepInfo->bstrHelpFile);
            excepInfo->bstrHelpFile = nullptr;
        }
        return;
    }
    excepInfo->bstrSource = bstrFromUtf8OrNull(fallbackSource);
    excepInfo->bstrDescription = bstrFromUtf8OrNull(fallbackDescription);
}

// Where each declared parameter stands in rgvarg. Named arguments come first in rgvarg, each
// named by its parameter's position (the value of a put by DISPID_PROPERTYPUT); the positional
// ones follow in reverse order, so parameter 0 is the last element. A put must name its value.
HRESULT positionsOf(const DISPPARAMS& params, std::size_t count, bool isPut,
                    std::vector<UINT>& positions, UINT* argErr) {
    constexpr UINT kUnset = ~0u;
    positions.assign(count, kUnset);
    const UINT named = params.cNamedArgs;
    if (named > params.cArgs || (named > 0 && !params.rgdispidNamedArgs))
        return E_INVALIDARG;
    bool valueNamed = false;
    for (UINT k = 0; k < named; ++k) {
        const DISPID id = params.rgdispidNamedArgs[k];
        const bool isValue = isPut && id == DISPID_PROPERTYPUT;
        const std::size_t index = isValue ? count - 1 : static_cast<std::size_t>(id);
        if ((!isValue && id < 0) || index >= count || positions[index] != kUnset) {
            if (argErr)
                *argErr = k;
            return DISP_E_PARAMNOTFOUND;
        }
        positions[index] = k;
        valueNamed = valueNamed || isValue;
    }
    if (isPut && !valueNamed)
        return DISP_E_PARAMNOTFOUND;
    const UINT positional = params.cArgs - named;
    for (UINT i = 0; i < positional; ++i) {
        if (positions[i] != kUnset) {
            if (argErr)
                *argErr = positions[i];
            return DISP_E_PARAMNOTFOUND;  // named as well as given by position
        }
        positions[i] = params.cArgs - 1 - i;
    }
    return S_OK;
}

HRESULT callGuarded(const Function& function, void* object, VARIANT* args, VARIANT* result,
                    std::string& exceptionText) {
    try {
        return function.invoke(object, args, result);
    } catch (const std::exception& e) {
        exceptionText = e.what();
    } catch (...) {
        exceptionText = "Unexpected failure";
    }
    return E_UNEXPECTED;
}

}  // namespace

namespace {

const Member* walkFor(std::span<const Member> members, DISPID dispid) {
    for (const Member& member : members) {
        if (member.dispid == dispid)
            return &member;
    }
    return nullptr;
}

// The rows of a large table by DISPID: every call through a control looks its member up, and
// walking rows of a few hundred bytes each touched most of the table on every call.
struct DispidRow {
    DISPID dispid;
    std::uint32_t row;
};
using DispidRows = std::vector<DispidRow>;

const DispidRows& rowsByDispid(std::span<const Member> members) {
    using Key = std::pair<const Member*, std::size_t>;
    thread_local Key lastKey{nullptr, 0};
    thread_local const DispidRows* lastRows = nullptr;
    const Key key{members.data(), members.size()};
    if (lastRows && key == lastKey)
        return *lastRows;
    // Kept for the process: tables are few, and a reference handed out stays valid.
    static std::mutex mutex;
    static std::map<Key, DispidRows> indexes;
    std::lock_guard lock(mutex);
    auto [it, made] = indexes.try_emplace(key);
    if (made) {
        DispidRows& rows = it->second;
        rows.reserve(members.size());
        for (std::size_t i = 0; i < members.size(); ++i)
            rows.push_back({members[i].dispid, static_cast<std::uint32_t>(i)});
        std::stable_sort(rows.begin(), rows.end(), [](const DispidRow& a, const DispidRow& b) {
            return a.dispid < b.dispid;
        });
    }
    lastKey = key;
    lastRows = &it->second;
    return it->second;
}

}  // namespace

const Member* findMember(const TypeTable& table, DISPID dispid) {
    constexpr std::size_t kWalkedRows = 16;
    const std::span<const Member> members = table.members;
    if (members.size() <= kWalkedRows)
        return walkFor(members, dispid);
    const DispidRows& rows = rowsByDispid(members);
    const auto found =
        std::lower_bound(rows.begin(), rows.end(), dispid,
                         [](const DispidRow& row, DISPID wanted) { return row.dispid < wanted; });
    // The row found is checked against the table: a table made where an earlier one was, with
    // other rows, is walked instead.
    if (found != rows.end() && found->dispid == dispid && found->row < members.size() &&
        members[found->row].dispid == dispid)
        return &members[found->row];
    return walkFor(members, dispid);
}

const Member* findMember(const TypeTable& table, std::string_view name) {
    for (const Member& member : table.members) {
        if (core::equalsNoCase(member.name, name))
            return &member;
    }
    return nullptr;
}

HRESULT getIDsOfNames(const TypeTable& table, LPOLESTR* names, UINT count, DISPID* dispids) {
    if ((count > 0 && !names) || !dispids)
        return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i)
        dispids[i] = DISPID_UNKNOWN;
    if (count == 0)
        return S_OK;
    const Member* member = findMember(table, utf8Of(names[0]));
    if (!member)
        return DISP_E_UNKNOWNNAME;
    dispids[0] = member->dispid;
    const std::vector<std::string_view> params = detail::splitNames(member->details.params);
    HRESULT hr = S_OK;
    for (UINT i = 1; i < count; ++i) {
        const std::string name = utf8Of(names[i]);
        for (std::size_t p = 0; p < params.size(); ++p) {
            if (core::equalsNoCase(params[p], name))
                dispids[i] = static_cast<DISPID>(p);
        }
        if (dispids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT invoke(const TypeTable& table, void* object, DISPID dispid, WORD flags, DISPPARAMS* params,
               VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (!params)
        params = &none;
    if (params->cArgs > 0 && !params->rgvarg)
        return E_INVALIDARG;
    const Member* member = findMember(table, dispid);
    if (!member)
        return DISP_E_MEMBERNOTFOUND;
    const Function* function = chooseFunction(*member, flags);
    if (!function)
        return DISP_E_MEMBERNOTFOUND;

    const bool isPut = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    const std::size_t count = function->params.size();
    if (params->cArgs != count)
        return DISP_E_BADPARAMCOUNT;
    std::vector<UINT> positions;
    if (HRESULT hr = positionsOf(*params, count, isPut, positions, argErr); FAILED(hr))
        return hr;

    PreparedArguments args(count);
    for (std::size_t i = 0; i < count; ++i) {
        VARIANT& given = params->rgvarg[positions[i]];
        HRESULT hr = isMissing(given) ? DISP_E_PARAMNOTOPTIONAL
                                      : args.prepare(i, function->params[i], given);
        if (FAILED(hr)) {
            if (argErr)
                *argErr = positions[i];
            return hr;
        }
    }

    Variant value;
    SetErrorInfo(0, nullptr);  // so an error object found afterwards is this call's
    std::string exceptionText;
    const HRESULT hr = callGuarded(*function, object, args.data(), value.put(), exceptionText);
    if (FAILED(hr)) {
        fillException(excepInfo, hr, table.errorSource, exceptionText);
        return DISP_E_EXCEPTION;
    }
    if (result && !isPut) {
        VariantInit(result);
        *result = value.raw();
        VariantInit(&value.raw());
    }
    return S_OK;
}

}  // namespace com
