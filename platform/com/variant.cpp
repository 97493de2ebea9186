// VARIANT management and type conversion with invariant (locale-free) rules.
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/com/variant.h"
#include "platform/core/text.h"

namespace {

using Int128 = __int128;

// The size of a by-value type's value in the VARIANT, 0 for a type this runtime does not hold.
std::size_t valueSize(VARTYPE type) {
    switch (type) {
        // clang-format off
        case VT_I1: case VT_UI1:
            return 1;
        case VT_I2: case VT_UI2: case VT_BOOL:
            return 2;
        case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR:
            return 4;
        case VT_I8: case VT_UI8: case VT_R8: case VT_DATE:
            return 8;
        case VT_BSTR: case VT_DISPATCH: case VT_UNKNOWN:
            return sizeof(void*);
        // clang-format on
        default:
            return 0;
    }
}

bool isScalarType(VARTYPE type) {
    return valueSize(type) != 0;
}

bool isValidType(VARTYPE type) {
    if (type & VT_BYREF) {
        const VARTYPE base = type & ~VT_BYREF;
        return base == VT_VARIANT || isScalarType(base);
    }
    return type == VT_EMPTY || type == VT_NULL || isScalarType(type);
}

// A by-value view of what a VT_BYREF VARIANT points at. The view owns nothing.
HRESULT dereference(const VARIANT& source, VARIANT& view) {
    if (!(source.vt & VT_BYREF)) {
        view = source;
        return S_OK;
    }
    if (!source.byref)
        return E_INVALIDARG;
    const VARTYPE base = source.vt & ~VT_BYREF;
    if (base == VT_VARIANT) {
        if (source.pvarVal->vt & VT_BYREF)
            return dereference(*source.pvarVal, view);
        view = *source.pvarVal;
        return S_OK;
    }
    VariantInit(&view);
    view.vt = base;
    // Every value starts at the same offset, so copying its bytes fills the right field.
    std::memcpy(&view.llVal, source.byref, valueSize(base));
    return S_OK;
}

// ---- numbers ----

struct Number {
    bool real = false;
    Int128 integer = 0;  // when !real
    double value = 0;    // when real
    double asDouble() const { return real ? value : static_cast<double>(integer); }
};

struct Range {
    Int128 min, max;
};

Range rangeOf(VARTYPE type) {
    switch (type) {
        case VT_I1:
            return {INT8_MIN, INT8_MAX};
        case VT_UI1:
            return {0, UINT8_MAX};
        case VT_I2:
            return {INT16_MIN, INT16_MAX};
        case VT_UI2:
            return {0, UINT16_MAX};
        case VT_I4:
        case VT_INT:
            return {INT32_MIN, INT32_MAX};
        case VT_UI4:
        case VT_UINT:
            return {0, UINT32_MAX};
        case VT_I8:
            return {INT64_MIN, INT64_MAX};
        default:
            return {0, UINT64_MAX};  // VT_UI8
    }
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// [blanks][+|-]digits[.digits][(e|E)[+|-]digits][blanks], with at least one mantissa digit.
bool isNumberText(std::string_view text, bool& integral) {
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        return i - start;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t mantissa = digits();
    integral = true;
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
        integral = false;
    }
    if (mantissa == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
        integral = false;
    }
    return i == text.size();
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Text of a BSTR when it is plain ASCII; a number or truth word never holds anything else.
std::optional<std::string> asciiOf(BSTR text) {
    std::string result;
    const UINT length = SysStringLen(text);
    result.reserve(length);
    for (UINT i = 0; i < length; ++i) {
        if (text[i] > 0x7F)
            return std::nullopt;
        result.push_back(static_cast<char>(text[i]));
    }
    return result;
}

// For unsigned number text that does not fit a double: a negative exponent or a zero integer part
// means it is too small, anything else too large.
bool isTooSmall(std::string_view text) {
    const std::size_t exponent = text.find_first_of("eE");
    if (exponent != std::string_view::npos)
        return text.substr(exponent + 1).starts_with('-');
    return text.find_first_not_of("0") == text.find('.');
}

HRESULT parseNumber(BSTR bstr, Number& number) {
    const std::optional<std::string> ascii = asciiOf(bstr);
    if (!ascii)
        return DISP_E_TYPEMISMATCH;
    std::string_view text = trimBlanks(*ascii);
    bool integral = false;
    if (!isNumberText(text, integral))
        return DISP_E_TYPEMISMATCH;
    const bool negative = text.front() == '-';
    if (text.front() == '+' || text.front() == '-')
        text.remove_prefix(1);
    const char* end = text.data() + text.size();
    if (integral) {
        std::uint64_t magnitude = 0;
        if (std::from_chars(text.data(), end, magnitude).ec == std::errc{}) {
            number.integer = negative ? -Int128(magnitude) : Int128(magnitude);
            return S_OK;
        }
    }
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec == std::errc::result_out_of_range) {
        // Too small to represent is zero; too large is an overflow.
        if (!isTooSmall(text))
            return DISP_E_OVERFLOW;
        value = 0;
    } else if (ec != std::errc{}) {
        return DISP_E_TYPEMISMATCH;
    }
    number.real = true;
    number.value = negative ? -value : value;
    return S_OK;
}

Number integral(Int128 value) {
    Number n;
    n.integer = value;
    return n;
}

Number real(double value) {
    Number n;
    n.real = true;
    n.value = value;
    return n;
}

HRESULT numberOf(const VARIANT& v, Number& n) {
    switch (v.vt) {
        // clang-format off
        case VT_EMPTY: n = integral(0); return S_OK;
        case VT_BOOL:  n = integral(v.boolVal ? -1 : 0); return S_OK;
        case VT_I1:    n = integral(static_cast<signed char>(v.cVal)); return S_OK;
        case VT_UI1:   n = integral(v.bVal); return S_OK;
        case VT_I2:    n = integral(v.iVal); return S_OK;
        case VT_UI2:   n = integral(v.uiVal); return S_OK;
        case VT_I4:    n = integral(v.lVal); return S_OK;
        case VT_UI4:   n = integral(v.ulVal); return S_OK;
        case VT_INT:   n = integral(v.intVal); return S_OK;
        case VT_UINT:  n = integral(v.uintVal); return S_OK;
        case VT_I8:    n = integral(v.llVal); return S_OK;
        case VT_UI8:   n = integral(v.ullVal); return S_OK;
        case VT_R4:    n = real(v.fltVal); return S_OK;
        case VT_R8:    n = real(v.dblVal); return S_OK;
        case VT_DATE:  n = real(v.date); return S_OK;
        // clang-format on
        case VT_BSTR:
            return parseNumber(v.bstrVal, n);
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

HRESULT integerOf(const Number& n, VARTYPE type, Int128& result) {
    if (n.real) {
        if (!std::isfinite(n.value))
            return DISP_E_OVERFLOW;
        // The default floating-point rounding mode rounds half to even, as banker's rounding asks.
        const double rounded = std::nearbyint(n.value);
        if (std::fabs(rounded) >= 18446744073709551616.0)
            return DISP_E_OVERFLOW;
        result = static_cast<Int128>(rounded);
    } else {
        result = n.integer;
    }
    const Range range = rangeOf(type);
    return result < range.min || result > range.max ? DISP_E_OVERFLOW : S_OK;
}

template <typename T>
void assignAs(T& field, Int128 value) {
    field = static_cast<T>(value);
}

// Stores an integer already checked against the range of `type`.
void store(VARTYPE type, Int128 value, VARIANT& out) {
    switch (type) {
        // clang-format off
        case VT_I1:   return assignAs(out.cVal, value);
        case VT_UI1:  return assignAs(out.bVal, value);
        case VT_I2:   return assignAs(out.iVal, value);
        case VT_UI2:  return assignAs(out.uiVal, value);
        case VT_I4:   return assignAs(out.lVal, value);
        case VT_UI4:  return assignAs(out.ulVal, value);
        case VT_INT:  return assignAs(out.intVal, value);
        case VT_UINT: return assignAs(out.uintVal, value);
        case VT_I8:   return assignAs(out.llVal, value);
        default:      return assignAs(out.ullVal, value);
            // clang-format on
    }
}

HRESULT storeNumber(const Number& n, VARTYPE type, VARIANT& out) {
    if (type == VT_R4) {
        const double d = n.asDouble();
        if (std::isfinite(d) && std::fabs(d) > FLT_MAX)
            return DISP_E_OVERFLOW;
        out.fltVal = static_cast<float>(d);
    } else if (type == VT_R8) {
        out.dblVal = n.asDouble();
    } else if (type == VT_DATE) {
        out.date = n.asDouble();
    } else {
        Int128 value = 0;
        if (HRESULT hr = integerOf(n, type, value); FAILED(hr))
            return hr;
        store(type, value, out);
    }
    out.vt = type;
    return S_OK;
}

// ---- text ----

std::string formatInteger(Int128 value) {
    const bool negative = value < 0;
    auto magnitude = static_cast<unsigned __int128>(negative ? -value : value);
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    return negative ? "-" + digits : digits;
}

// Up to `precision` significant digits, no trailing zeros, "E+20" style exponents; locale-free.
std::string formatReal(double value, int precision) {
    if (value == 0)
        return "0";
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
    std::string text(buffer, result.ptr);
    for (char& c : text) {
        if (c == 'e')
            c = 'E';
    }
    return text;
}

HRESULT storeText(std::string_view text, VARIANT& out) {
    out.bstrVal = com::bstrFromUtf8(text);
    if (!out.bstrVal)
        return E_OUTOFMEMORY;
    out.vt = VT_BSTR;
    return S_OK;
}

HRESULT toText(const VARIANT& v, USHORT flags, VARIANT& out) {
    switch (v.vt) {
        case VT_EMPTY:
            return storeText("", out);
        case VT_BOOL:
            if (flags & VARIANT_ALPHABOOL)
                return storeText(v.boolVal ? "True" : "False", out);
            return storeText(v.boolVal ? "-1" : "0", out);
        case VT_R4:
            return storeText(formatReal(v.fltVal, 7), out);
        case VT_R8:
            return storeText(formatReal(v.dblVal, 15), out);
        case VT_DATE:
        case VT_ERROR:
        case VT_UNKNOWN:
        case VT_DISPATCH:
            return DISP_E_TYPEMISMATCH;
        default: {
            Number n;
            if (HRESULT hr = numberOf(v, n); FAILED(hr))
                return hr;
            return storeText(formatInteger(n.integer), out);
        }
    }
}

HRESULT toBool(const VARIANT& v, VARIANT& out) {
    bool value = false;
    if (v.vt == VT_BSTR) {
        const std::optional<std::string> ascii = asciiOf(v.bstrVal);
        const std::string_view word = ascii ? trimBlanks(*ascii) : std::string_view();
        if (core::equalsNoCase(word, "True")) {
            value = true;
        } else if (core::equalsNoCase(word, "False")) {
            value = false;
        } else {
            Number n;
            if (HRESULT hr = parseNumber(v.bstrVal, n); FAILED(hr))
                return hr;
            value = n.asDouble() != 0;
        }
    } else {
        Number n;
        if (HRESULT hr = numberOf(v, n); FAILED(hr))
            return hr;
        value = n.real ? n.value != 0 : n.integer != 0;
    }
    out.vt = VT_BOOL;
    out.boolVal = toVariantBool(value);
    return S_OK;
}

HRESULT toInterface(const VARIANT& v, VARTYPE type, VARIANT& out) {
    if (v.vt != VT_EMPTY && v.vt != VT_DISPATCH && v.vt != VT_UNKNOWN)
        return DISP_E_TYPEMISMATCH;
    out.punkVal = nullptr;
    if (v.vt != VT_EMPTY && v.punkVal) {
        const IID& iid = type == VT_DISPATCH ? IID_IDispatch : IID_IUnknown;
        if (FAILED(v.punkVal->QueryInterface(iid, reinterpret_cast<void**>(&out.punkVal))))
            return DISP_E_TYPEMISMATCH;
    }
    out.vt = type;
    return S_OK;
}

HRESULT convert(const VARIANT& v, VARTYPE type, USHORT flags, VARIANT& out, int depth = 0);

// An object converts through its default member's value.
HRESULT convertDefaultValue(const VARIANT& v, VARTYPE type, USHORT flags, VARIANT& out, int depth) {
    if ((flags & VARIANT_NOVALUEPROP) || !v.pdispVal || depth > 0)
        return DISP_E_TYPEMISMATCH;
    com::Variant value;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (FAILED(v.pdispVal->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                                  value.put(), nullptr, nullptr)))
        return DISP_E_TYPEMISMATCH;
    VARIANT view;
    if (FAILED(dereference(value.raw(), view)))
        return DISP_E_TYPEMISMATCH;
    return convert(view, type, flags, out, depth + 1);
}

HRESULT convert(const VARIANT& v, VARTYPE type, USHORT flags, VARIANT& out, int depth) {
    if (v.vt == type)
        return VariantCopy(&out, &v);
    if (type == VT_EMPTY || type == VT_NULL || v.vt == VT_NULL || type == VT_ERROR ||
        v.vt == VT_ERROR)
        return DISP_E_TYPEMISMATCH;
    if (type == VT_DISPATCH || type == VT_UNKNOWN)
        return toInterface(v, type, out);
    if (v.vt == VT_DISPATCH)
        return convertDefaultValue(v, type, flags, out, depth);
    if (type == VT_BSTR)
        return toText(v, flags, out);
    if (type == VT_BOOL)
        return toBool(v, out);
    Number n;
    if (HRESULT hr = numberOf(v, n); FAILED(hr))
        return hr;
    return storeNumber(n, type, out);
}

HRESULT copyValue(VARIANT& copy, const VARIANT& source) {
    copy = source;
    if (source.vt == VT_BSTR && source.bstrVal) {
        copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<const char*>(source.bstrVal),
                                             SysStringByteLen(source.bstrVal));
        if (!copy.bstrVal)
            return E_OUTOFMEMORY;
    } else if ((source.vt == VT_DISPATCH || source.vt == VT_UNKNOWN) && source.punkVal) {
        source.punkVal->AddRef();
    }
    return S_OK;
}

HRESULT assign(VARIANT* dest, VARIANT& value) {
    if (HRESULT hr = VariantClear(dest); FAILED(hr)) {
        VariantClear(&value);
        return hr;
    }
    *dest = value;
    return S_OK;
}

}  // namespace

void VariantInit(VARIANT* variant) {
    std::memset(variant, 0, sizeof(VARIANT));
    variant->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* variant) {
    if (!variant)
        return E_INVALIDARG;
    if (!isValidType(variant->vt))
        return DISP_E_BADVARTYPE;
    if (variant->vt == VT_BSTR)
        SysFreeString(variant->bstrVal);
    else if ((variant->vt == VT_DISPATCH || variant->vt == VT_UNKNOWN) && variant->punkVal)
        variant->punkVal->Release();
    VariantInit(variant);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* source) {
    if (!dest || !source)
        return E_INVALIDARG;
    if (dest == source)
        return S_OK;
    if (!isValidType(source->vt))
        return DISP_E_BADVARTYPE;
    VARIANT copy;
    if (HRESULT hr = copyValue(copy, *source); FAILED(hr))
        return hr;
    return assign(dest, copy);
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* source) {
    if (!dest || !source)
        return E_INVALIDARG;
    if (!isValidType(source->vt))
        return DISP_E_BADVARTYPE;
    VARIANT view;
    if (HRESULT hr = dereference(*source, view); FAILED(hr))
        return hr;
    VARIANT copy;
    if (HRESULT hr = copyValue(copy, view); FAILED(hr))
        return hr;
    return assign(dest, copy);
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, USHORT flags, VARTYPE type) {
    if (!dest || !source)
        return E_INVALIDARG;
    if (!isValidType(source->vt) || !(type == VT_EMPTY || type == VT_NULL || isScalarType(type)))
        return DISP_E_BADVARTYPE;
    VARIANT view;
    if (HRESULT hr = dereference(*source, view); FAILED(hr))
        return hr;
    VARIANT result;
    VariantInit(&result);
    if (HRESULT hr = convert(view, type, flags, result); FAILED(hr))
        return hr;
    // The result owns its own copy by now, so `dest` may be the source.
    return assign(dest, result);
}

HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* source, LCID, USHORT flags,
                            VARTYPE type) {
    return VariantChangeType(dest, source, flags, type);
}

namespace com {

Variant::Variant(IDispatch* object) : Variant() {
    set(VT_DISPATCH).pdispVal = object;
    if (object)
        object->AddRef();
}

Variant Variant::byRef(VARIANT_BOOL* target) {
    Variant result;
    result.set(VT_BYREF | VT_BOOL).pboolVal = target;
    return result;
}

Variant Variant::copyOf(const VARIANT& source) {
    Variant result;
    VariantCopy(&result.m_v, &source);
    return result;
}

Variant Variant::take(VARIANT& source) {
    Variant result;
    result.m_v = source;
    VariantInit(&source);
    return result;
}

namespace {

std::optional<VARIANT> converted(const VARIANT& v, VARTYPE type, USHORT flags = 0) {
    VARIANT out;
    VariantInit(&out);
    if (FAILED(VariantChangeType(&out, &v, flags, type)))
        return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> Variant::toString() const {
    std::optional<VARIANT> text = converted(m_v, VT_BSTR, VARIANT_ALPHABOOL);
    if (!text)
        return std::nullopt;
    std::string result = utf8FromBstr(text->bstrVal);
    VariantClear(&*text);
    return result;
}

std::optional<LONG> Variant::toInt32() const {
    const std::optional<VARIANT> v = converted(m_v, VT_I4);
    return v ? std::optional<LONG>(v->lVal) : std::nullopt;
}

std::optional<double> Variant::toDouble() const {
    const std::optional<VARIANT> v = converted(m_v, VT_R8);
    return v ? std::optional<double>(v->dblVal) : std::nullopt;
}

std::optional<bool> Variant::toBool() const {
    const std::optional<VARIANT> v = converted(m_v, VT_BOOL);
    return v ? std::optional<bool>(v->boolVal != 0) : std::nullopt;
}

Ptr<IDispatch> Variant::toDispatch() const {
    VARIANT view;
    if (FAILED(dereference(m_v, view)) || view.vt != VT_DISPATCH)
        return nullptr;
    return Ptr<IDispatch>(view.pdispVal);
}

}  // namespace com
