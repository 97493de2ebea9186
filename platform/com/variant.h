// C++ helpers over BSTR and VARIANT: owning wrappers and the UTF-8 <-> BSTR conversions used at
// the COM boundary (everything inside the system is UTF-8).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "platform/com/oleauto.h"

namespace com {

// A new BSTR holding `text` (an empty text gives an allocated empty BSTR). Null only when out of
// memory. Invalid UTF-8 becomes U+FFFD.
BSTR bstrFromUtf8(std::string_view text);
// The same, except that an empty text gives the null BSTR (the rule for strings handed out).
BSTR bstrFromUtf8OrNull(std::string_view text);
// The text of a BSTR; the null BSTR is the empty string. Unpaired surrogates become U+FFFD.
std::string utf8FromBstr(BSTR text);

// An owned BSTR, freed on destruction.
class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(std::string_view utf8) : m_text(bstrFromUtf8(utf8)) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : m_text(std::exchange(other.m_text, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        std::swap(m_text, other.m_text);
        return *this;
    }
    ~Bstr() { SysFreeString(m_text); }

    static Bstr attach(BSTR text) {
        Bstr result;
        result.m_text = text;
        return result;
    }
    BSTR detach() { return std::exchange(m_text, nullptr); }
    BSTR get() const { return m_text; }
    // Frees what is held and returns the slot for an out-parameter.
    BSTR* put() {
        SysFreeString(std::exchange(m_text, nullptr));
        return &m_text;
    }
    std::string utf8() const { return utf8FromBstr(m_text); }
    UINT length() const { return SysStringLen(m_text); }

  private:
    BSTR m_text = nullptr;
};

// An owned VARIANT, cleared on destruction. It has VARIANT's layout, so an array of Variant can be
// handed out as VARIANT* (DISPPARAMS::rgvarg).
class Variant {
  public:
    Variant() { VariantInit(&m_v); }
    Variant(SHORT value) : Variant() { set(VT_I2).iVal = value; }
    Variant(LONG value) : Variant() { set(VT_I4).lVal = value; }
    Variant(ULONG value) : Variant() { set(VT_UI4).ulVal = value; }
    Variant(float value) : Variant() { set(VT_R4).fltVal = value; }
    Variant(double value) : Variant() { set(VT_R8).dblVal = value; }
    Variant(bool value) : Variant() { set(VT_BOOL).boolVal = toVariantBool(value); }
    Variant(VARIANT_BOOL value) : Variant() { set(VT_BOOL).boolVal = value; }
    Variant(std::string_view text) : Variant() { set(VT_BSTR).bstrVal = bstrFromUtf8(text); }
    Variant(const char* text) : Variant(std::string_view(text)) {}
    Variant(const std::string& text) : Variant(std::string_view(text)) {}
    // Takes a new reference.
    Variant(IDispatch* object);
    // A VT_BYREF|VT_BOOL argument: the callee may write through it.
    static Variant byRef(VARIANT_BOOL* target);
    // A copy of a VARIANT (a new BSTR, an AddRef'd interface).
    static Variant copyOf(const VARIANT& source);
    // Takes over `source` and leaves it VT_EMPTY.
    static Variant take(VARIANT& source);

    Variant(const Variant& other) : Variant() { VariantCopy(&m_v, &other.m_v); }
    Variant(Variant&& other) noexcept : Variant() { std::swap(m_v, other.m_v); }
    Variant& operator=(Variant other) noexcept {
        std::swap(m_v, other.m_v);
        return *this;
    }
    ~Variant() { VariantClear(&m_v); }

    VARTYPE vt() const { return m_v.vt; }
    const VARIANT& raw() const { return m_v; }
    VARIANT& raw() { return m_v; }
    // Clears and returns the VARIANT for an out-parameter.
    VARIANT* put() {
        VariantClear(&m_v);
        return &m_v;
    }

    // The value converted as VariantChangeType would; nothing when it does not convert.
    std::optional<std::string> toString() const;
    std::optional<LONG> toInt32() const;
    std::optional<double> toDouble() const;
    std::optional<bool> toBool() const;
    // The object held (AddRef'd); null for VT_EMPTY or any other type.
    Ptr<IDispatch> toDispatch() const;

  private:
    VARIANT& set(VARTYPE type) {
        m_v.vt = type;
        return m_v;
    }
    VARIANT m_v;
};

static_assert(sizeof(Variant) == sizeof(VARIANT) && std::is_standard_layout_v<Variant>);

// Puts an error object on this thread's slot, as a failing member does before it returns its
// HRESULT: `iid` names the interface that failed, `source` is the object's ProgID.
void setErrorInfo(REFIID iid, std::string_view source, std::string_view description,
                  DWORD helpContext = 0);

}  // namespace com
