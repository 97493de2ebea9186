// Type information as compiled tables. An interface is one table of members; each row names the
// member, its DISPID, its documentation and flags, and binds its accessors to C++ functions, from
// whose signatures the parameter and result types are taken. From the table the runtime serves
// IDispatch (GetIDsOfNames, Invoke with argument coercion and the DISP_E_* rules) and ITypeInfo,
// so a control's members are written once:
//
//     static constexpr com::Member kMembers[] = {
//         com::property<&Line::getActive, &Line::putActive>("Active", 32, com::doc("...")),
//         com::method<&Line::Dial>("Dial", 104, com::params("Number")),
//         com::readOnly<&Line::getName>("Name", 140, com::flags(FUNCFLAG_FNONBROWSABLE)),
//     };
//
// Bound functions follow the dual-interface convention: they return an HRESULT, take their
// arguments by value (BSTR and interface arguments are borrowed) and, for a getter or a method
// with a result, a pointer to the result last (a BSTR or interface result is handed to the caller).
// A method's last pointer parameter is its result when it points at an automation type;
// VARIANT_BOOL*, LONG*, SHORT*, double* and BSTR* elsewhere are by-reference arguments. A bound
// function is a member function of the class that implements the interface, or a free function
// taking that class by reference first.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <span>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "platform/com/object.h"
#include "platform/com/oleauto.h"

namespace com {

// ---- How C++ types travel in a VARIANT ----

// An argument of type T: its VARTYPE and how to read it from a VARIANT already of that type.
template <typename T>
struct ArgType;

#define BELLTALE_COM_ARG(Type, Vt, Field)               \
    template <>                                         \
    struct ArgType<Type> {                              \
        static constexpr VARTYPE vt = Vt;               \
        static Type get(VARIANT& v) { return v.Field; } \
    }
BELLTALE_COM_ARG(SHORT, VT_I2, iVal);
BELLTALE_COM_ARG(LONG, VT_I4, lVal);
BELLTALE_COM_ARG(ULONG, VT_UI4, ulVal);
BELLTALE_COM_ARG(BYTE, VT_UI1, bVal);
BELLTALE_COM_ARG(USHORT, VT_UI2, uiVal);
BELLTALE_COM_ARG(LONGLONG, VT_I8, llVal);
BELLTALE_COM_ARG(float, VT_R4, fltVal);
BELLTALE_COM_ARG(double, VT_R8, dblVal);
BELLTALE_COM_ARG(BSTR, VT_BSTR, bstrVal);
BELLTALE_COM_ARG(IDispatch*, VT_DISPATCH, pdispVal);
BELLTALE_COM_ARG(IUnknown*, VT_UNKNOWN, punkVal);
BELLTALE_COM_ARG(VARIANT_BOOL*, VT_BYREF | VT_BOOL, pboolVal);
BELLTALE_COM_ARG(SHORT*, VT_BYREF | VT_I2, piVal);
BELLTALE_COM_ARG(LONG*, VT_BYREF | VT_I4, plVal);
BELLTALE_COM_ARG(double*, VT_BYREF | VT_R8, pdblVal);
BELLTALE_COM_ARG(BSTR*, VT_BYREF | VT_BSTR, pbstrVal);
#undef BELLTALE_COM_ARG

// Truth values reach a member as -1 or 0 whatever non-zero value the caller used.
template <>
struct ArgType<VARIANT_BOOL> {
    static constexpr VARTYPE vt = VT_BOOL;
    static VARIANT_BOOL get(VARIANT& v) { return toVariantBool(v.boolVal != VARIANT_FALSE); }
};

// Any VARIANT, passed as the caller gave it (taken as `const VARIANT&`).
template <>
struct ArgType<VARIANT> {
    static constexpr VARTYPE vt = VT_VARIANT;
    static const VARIANT& get(VARIANT& v) { return v; }
};

// Enumerations travel as 32-bit integers.
template <typename T>
requires(std::is_enum_v<T> && sizeof(T) == 4) struct ArgType<T> {
    static constexpr VARTYPE vt = VT_I4;
    static T get(VARIANT& v) { return static_cast<T>(v.lVal); }
};

// A result of type T: its VARTYPE, its value before the call, and how it is handed over (store)
// or freed when the call failed or nobody wants it (discard).
template <typename T>
struct ResultType;

template <typename T>
struct ScalarResult {
    static T initial() { return T{}; }
    static void discard(T&) {}
};

#define BELLTALE_COM_RESULT(Type, Vt, Field)           \
    template <>                                        \
    struct ResultType<Type> : ScalarResult<Type> {     \
        static constexpr VARTYPE vt = Vt;              \
        static void store(Type& value, VARIANT& out) { \
            out.vt = vt;                               \
            out.Field = value;                         \
        }                                              \
    }
BELLTALE_COM_RESULT(SHORT, VT_I2, iVal);
BELLTALE_COM_RESULT(LONG, VT_I4, lVal);
BELLTALE_COM_RESULT(ULONG, VT_UI4, ulVal);
BELLTALE_COM_RESULT(BYTE, VT_UI1, bVal);
BELLTALE_COM_RESULT(USHORT, VT_UI2, uiVal);
BELLTALE_COM_RESULT(LONGLONG, VT_I8, llVal);
BELLTALE_COM_RESULT(float, VT_R4, fltVal);
BELLTALE_COM_RESULT(double, VT_R8, dblVal);
#undef BELLTALE_COM_RESULT

// A truth value leaves as -1 or 0, even if a member wrote another non-zero value.
template <>
struct ResultType<VARIANT_BOOL> : ScalarResult<VARIANT_BOOL> {
    static constexpr VARTYPE vt = VT_BOOL;
    static void store(VARIANT_BOOL& value, VARIANT& out) {
        out.vt = VT_BOOL;
        out.boolVal = toVariantBool(value != VARIANT_FALSE);
    }
};

template <>
struct ResultType<BSTR> {
    static constexpr VARTYPE vt = VT_BSTR;
    static BSTR initial() { return nullptr; }
    static void store(BSTR& value, VARIANT& out) {
        out.vt = VT_BSTR;
        out.bstrVal = std::exchange(value, nullptr);
    }
    static void discard(BSTR& value) { SysFreeString(std::exchange(value, nullptr)); }
};

template <typename I>
requires(std::is_same_v<I, IDispatch> || std::is_same_v<I, IUnknown>) struct ResultType<I*> {
    static constexpr VARTYPE vt = std::is_same_v<I, IDispatch> ? VT_DISPATCH : VT_UNKNOWN;
    static I* initial() { return nullptr; }
    static void store(I*& value, VARIANT& out) {
        out.vt = vt;
        out.punkVal = std::exchange(value, nullptr);
    }
    static void discard(I*& value) {
        if (I* p = std::exchange(value, nullptr))
            p->Release();
    }
};

template <>
struct ResultType<VARIANT> {
    static constexpr VARTYPE vt = VT_VARIANT;
    static VARIANT initial() {
        VARIANT v;
        VariantInit(&v);
        return v;
    }
    static void store(VARIANT& value, VARIANT& out) {
        out = value;
        VariantInit(&value);
    }
    static void discard(VARIANT& value) { VariantClear(&value); }
};

template <typename T>
requires(std::is_enum_v<T> && sizeof(T) == 4) struct ResultType<T> : ScalarResult<T> {
    static constexpr VARTYPE vt = VT_I4;
    static void store(T& value, VARIANT& out) {
        out.vt = VT_I4;
        out.lVal = static_cast<LONG>(value);
    }
};

// ---- Table rows ----

// Calls one bound function: `args` holds the arguments in declared order, each already of its
// declared type; `result` (when not null) receives the result.
using Invoker = HRESULT (*)(void* object, VARIANT* args, VARIANT* result);

// One way of reaching a member: a method, or one accessor of a property.
struct Function {
    Invoker invoke = nullptr;         // null for an event, which is only described
    std::span<const VARTYPE> params;  // declared order, the result not included
    VARTYPE result = VT_EMPTY;        // VT_EMPTY when there is none
    bool declared = false;
};

// What a row says besides its name and DISPID, written as com::doc("...") | com::flags(...).
struct Details {
    std::string_view params{};  // parameter names, comma-separated, in declared order
    std::string_view doc{};
    WORD flags = 0;  // FUNCFLAG_*
};

constexpr Details params(std::string_view names) {
    Details d;
    d.params = names;
    return d;
}
constexpr Details doc(std::string_view text) {
    Details d;
    d.doc = text;
    return d;
}
constexpr Details flags(WORD functionFlags) {
    Details d;
    d.flags = functionFlags;
    return d;
}
constexpr Details operator|(Details a, const Details& b) {
    if (!b.params.empty())
        a.params = b.params;
    if (!b.doc.empty())
        a.doc = b.doc;
    a.flags |= b.flags;
    return a;
}

struct Member {
    std::string_view name;
    DISPID dispid = 0;
    Details details;
    Function method;
    Function get;
    Function put;
    Function putRef;
};

namespace detail {

template <typename F>
struct FunctionTraits;

template <typename C, typename... A>
struct FunctionTraits<HRESULT (C::*)(A...)> {
    using Class = C;
    using Args = std::tuple<A...>;
};

template <typename C, typename... A>
struct FunctionTraits<HRESULT (*)(C&, A...)> {
    using Class = C;
    using Args = std::tuple<A...>;
};

template <typename T>
concept ResultPointer = std::is_pointer_v<T> && requires {
    ResultType<std::remove_pointer_t<T>>::vt;
};

template <auto Fn>
constexpr bool lastIsResult() {
    using Args = typename FunctionTraits<decltype(Fn)>::Args;
    constexpr std::size_t n = std::tuple_size_v<Args>;
    if constexpr (n == 0)
        return false;
    else
        return ResultPointer<std::tuple_element_t<n - 1, Args>>;
}

template <typename Args, std::size_t... I>
constexpr std::array<VARTYPE, sizeof...(I)> argTypes(std::index_sequence<I...>) {
    return {ArgType<std::remove_cvref_t<std::tuple_element_t<I, Args>>>::vt...};
}

// The ResultType of a function's last parameter (a pointer), or void when it has no result.
template <bool WithResult, typename Args>
struct LastResult {
    using Type = void;
};
template <typename... A>
struct LastResult<true, std::tuple<A...>> {
    using Type =
        ResultType<std::remove_pointer_t<std::tuple_element_t<sizeof...(A) - 1, std::tuple<A...>>>>;
};

template <auto Fn, bool WithResult>
struct Binding {
    using Traits = FunctionTraits<decltype(Fn)>;
    using Class = typename Traits::Class;
    using Args = typename Traits::Args;
    static constexpr std::size_t arity = std::tuple_size_v<Args>;
    static_assert(!WithResult || arity > 0, "the result pointer comes last");
    static constexpr std::size_t inCount = WithResult ? arity - 1 : arity;
    template <std::size_t I>
    using In = ArgType<std::remove_cvref_t<std::tuple_element_t<I, Args>>>;
    using Out = typename LastResult<WithResult, Args>::Type;

    static constexpr std::array<VARTYPE, inCount> params =
        argTypes<Args>(std::make_index_sequence<inCount>{});

    static constexpr VARTYPE resultType() {
        if constexpr (WithResult)
            return Out::vt;
        else
            return VT_EMPTY;
    }

    static HRESULT invoke(void* object, VARIANT* args, VARIANT* result) {
        return call(std::make_index_sequence<inCount>{}, *static_cast<Class*>(object), args,
                    result);
    }

  private:
    template <std::size_t... I>
    static HRESULT call(std::index_sequence<I...>, Class& self, [[maybe_unused]] VARIANT* args,
                        [[maybe_unused]] VARIANT* result) {
        if constexpr (WithResult) {
            auto out = Out::initial();
            const HRESULT hr = std::invoke(Fn, self, In<I>::get(args[I])..., &out);
            if (SUCCEEDED(hr) && result)
                Out::store(out, *result);
            else
                Out::discard(out);
            return hr;
        } else {
            return std::invoke(Fn, self, In<I>::get(args[I])...);
        }
    }
};

template <auto Fn, bool WithResult>
constexpr Function bind() {
    using B = Binding<Fn, WithResult>;
    return Function{&B::invoke, B::params, B::resultType(), true};
}

template <typename... A>
inline constexpr std::array<VARTYPE, sizeof...(A)> kEventTypes = {
    ArgType<std::remove_cvref_t<A>>::vt...};

}  // namespace detail

// A method; its result (if any) is the last pointer parameter.
template <auto Fn>
constexpr Member method(std::string_view name, DISPID dispid, Details details = {}) {
    Member m{name, dispid, details, {}, {}, {}, {}};
    m.method = detail::bind<Fn, detail::lastIsResult<Fn>()>();
    return m;
}

template <auto Get>
constexpr Member readOnly(std::string_view name, DISPID dispid, Details details = {}) {
    Member m{name, dispid, details, {}, {}, {}, {}};
    m.get = detail::bind<Get, true>();
    return m;
}

template <auto Get, auto Put>
constexpr Member property(std::string_view name, DISPID dispid, Details details = {}) {
    Member m{name, dispid, details, {}, {}, {}, {}};
    m.get = detail::bind<Get, true>();
    m.put = detail::bind<Put, false>();
    return m;
}

template <auto Put>
constexpr Member writeOnly(std::string_view name, DISPID dispid, Details details = {}) {
    Member m{name, dispid, details, {}, {}, {}, {}};
    m.put = detail::bind<Put, false>();
    return m;
}

// A property that takes an object by reference (DISPATCH_PROPERTYPUTREF).
template <auto Get, auto PutRef>
constexpr Member referenceProperty(std::string_view name, DISPID dispid, Details details = {}) {
    Member m{name, dispid, details, {}, {}, {}, {}};
    m.get = detail::bind<Get, true>();
    m.putRef = detail::bind<PutRef, false>();
    return m;
}

// An event of a source interface: described with its argument types, called on a sink.
template <typename... A>
constexpr Member event(std::string_view name, DISPID dispid, Details details = {}) {
    Member m{name, dispid, details, {}, {}, {}, {}};
    m.method = Function{nullptr, detail::kEventTypes<A...>, VT_EMPTY, true};
    return m;
}

// One interface: a dispinterface, a dual interface's dispatch side, or an events interface.
struct TypeTable {
    constexpr TypeTable(const IID& iid, std::string_view name, std::span<const Member> members,
                        std::string_view doc = {}, WORD typeFlags = TYPEFLAG_FDISPATCHABLE,
                        std::string_view errorSource = {}, WORD majorVersion = 1,
                        WORD minorVersion = 0)
        : iid(iid),
          name(name),
          members(members),
          doc(doc),
          typeFlags(typeFlags),
          errorSource(errorSource),
          majorVersion(majorVersion),
          minorVersion(minorVersion) {}

    IID iid;
    std::string_view name;
    std::span<const Member> members;
    std::string_view doc;
    WORD typeFlags;  // TYPEFLAG_*
    // Reported as the source of a failure that left no error object (the object's ProgID).
    std::string_view errorSource;
    WORD majorVersion;
    WORD minorVersion;
};

// ---- Serving a table ----

const Member* findMember(const TypeTable& table, DISPID dispid);
// Without regard to ASCII case.
const Member* findMember(const TypeTable& table, std::string_view name);

// names[0] is a member, names[1..] its parameters (answered with their positions). Unknown names
// get DISPID_UNKNOWN and the call answers DISP_E_UNKNOWNNAME. Case does not matter.
HRESULT getIDsOfNames(const TypeTable& table, LPOLESTR* names, UINT count, DISPID* dispids);

// IDispatch::Invoke over the table for `object` (the class the rows bind to). Arguments come in
// reverse order in rgvarg, named ones (by parameter position, see getIDsOfNames) first; each is
// coerced to its declared type (DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW with *argErr naming its
// index in rgvarg). A put passes its value as the named argument DISPID_PROPERTYPUT (else
// DISP_E_PARAMNOTFOUND, as for a name that matches no parameter). DISP_E_MEMBERNOTFOUND for an
// unknown DISPID or an accessor the member lacks, DISP_E_BADPARAMCOUNT for a wrong count,
// DISP_E_PARAMNOTOPTIONAL for an argument passed as missing. A failing member gives
// DISP_E_EXCEPTION with EXCEPINFO filled from the thread's error object (scode = the member's
// HRESULT); a C++ exception escaping a member is caught and reported the same way with
// E_UNEXPECTED.
HRESULT invoke(const TypeTable& table, void* object, DISPID dispid, WORD flags, DISPPARAMS* params,
               VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr);

// The table's ITypeInfo: one object per table for the life of the process. It describes the
// dispatch view (FUNC_DISPATCH functions, put before get for each property) and its Invoke calls
// the instance's IDispatch::Invoke.
Ptr<ITypeInfo> typeInfoOf(const TypeTable& table);

// Implements IDispatch (or a dual interface that derives from it) for Derived from
// `static const TypeTable& Derived::typeTable()`, whose rows bind to Derived. QueryInterface also
// answers the table's IID with the dispatch interface.
template <typename Derived, typename DispatchInterface = IDispatch, typename... Others>
class Dispatchable : public Object<DispatchInterface, Others...> {
  public:
    HRESULT GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_INVALIDARG;
        *count = 1;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) override {
        if (!typeInfo)
            return E_INVALIDARG;
        *typeInfo = nullptr;
        if (index != 0)
            return DISP_E_BADINDEX;
        *typeInfo = typeInfoOf(Derived::typeTable()).detach();
        return S_OK;
    }
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                          DISPID* dispids) override {
        if (riid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        return getIDsOfNames(Derived::typeTable(), names, count, dispids);
    }
    HRESULT Invoke(DISPID dispid, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override {
        if (riid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        return invoke(Derived::typeTable(), static_cast<Derived*>(this), dispid, flags, params,
                      result, excepInfo, argErr);
    }

  protected:
    void* findInterface(REFIID iid) override {
        if (iid == Derived::typeTable().iid)
            return static_cast<DispatchInterface*>(this);
        return Object<DispatchInterface, Others...>::findInterface(iid);
    }
};

}  // namespace com
