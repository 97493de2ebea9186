#include <gtest/gtest.h>

#include <cmath>

#include "platform/com/object.h"
#include "platform/com/variant.h"

namespace {

using com::Variant;

TEST(Bstr, NullIsTheEmptyString) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
    EXPECT_EQ(com::utf8FromBstr(nullptr), "");
    EXPECT_EQ(com::bstrFromUtf8OrNull(""), nullptr);

    BSTR empty = com::bstrFromUtf8("");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);
}

TEST(Bstr, AllocatesByLengthIncludingEmbeddedNuls) {
    BSTR text = SysAllocStringLen(u"a\0b", 3);
    EXPECT_EQ(SysStringLen(text), 3u);
    EXPECT_EQ(text[2], u'b');
    SysFreeString(text);

    BSTR zeroed = SysAllocStringLen(nullptr, 4);
    EXPECT_EQ(SysStringLen(zeroed), 4u);
    EXPECT_EQ(zeroed[0], u'\0');
    SysFreeString(zeroed);

    BSTR target = SysAllocString(u"old");
    EXPECT_TRUE(SysReAllocString(&target, u"newer"));
    EXPECT_EQ(std::u16string_view(target), u"newer");
    SysFreeString(target);
}

TEST(Bstr, Utf8RoundTripsOutsideAscii) {
    const std::string text = "Zoë ☎ 😀";  // the last character needs a surrogate pair
    com::Bstr wide(text);
    EXPECT_EQ(wide.length(), 8u);
    EXPECT_EQ(wide.get()[6], 0xD83D);
    EXPECT_EQ(wide.utf8(), text);
}

struct Conversion {
    Variant source;
    VARTYPE to;
    HRESULT hr;
    std::string_view expected;  // the result as text ("True"/"False" for truth values)
    USHORT flags = 0;
};

Variant nullVariant() {
    Variant v;
    v.put()->vt = VT_NULL;
    return v;
}

std::string describe(const Variant& v) {
    const std::optional<std::string> text = v.toString();
    return text ? *text : "<no text>";
}

TEST(VariantChangeType, ConvertsByInvariantRules) {
    const Conversion cases[] = {
        {Variant("42"), VT_I4, S_OK, "42"},
        {Variant(" -7 "), VT_I2, S_OK, "-7"},
        {Variant("+12"), VT_UI4, S_OK, "12"},
        {Variant("2.5"), VT_I4, S_OK, "2"},  // halves round to even
        {Variant("3.5"), VT_I4, S_OK, "4"},
        {Variant(-2.5), VT_I4, S_OK, "-2"},
        {Variant(2.5f), VT_I2, S_OK, "2"},
        {Variant("1e3"), VT_I4, S_OK, "1000"},
        {Variant("4294967295"), VT_UI4, S_OK, "4294967295"},
        {Variant("1e-400"), VT_R8, S_OK, "0"},
        {Variant(1.5), VT_R4, S_OK, "1.5"},
        {Variant(LONG(70000)), VT_R8, S_OK, "70000"},
        {Variant(0.1), VT_BSTR, S_OK, "0.1"},
        {Variant(1.0 / 3.0), VT_BSTR, S_OK, "0.333333333333333"},
        {Variant(0.1f), VT_BSTR, S_OK, "0.1"},
        {Variant(1e20), VT_BSTR, S_OK, "1E+20"},
        {Variant(LONG(-5)), VT_BSTR, S_OK, "-5"},
        {Variant(ULONG(4000000000u)), VT_BSTR, S_OK, "4000000000"},
        {Variant(true), VT_I2, S_OK, "-1"},
        {Variant(true), VT_BSTR, S_OK, "-1"},
        {Variant(false), VT_BSTR, S_OK, "False", VARIANT_ALPHABOOL},
        {Variant(LONG(5)), VT_BOOL, S_OK, "True"},
        {Variant(0.0), VT_BOOL, S_OK, "False"},
        {Variant("true"), VT_BOOL, S_OK, "True"},
        {Variant(" FALSE "), VT_BOOL, S_OK, "False"},
        {Variant("-1"), VT_BOOL, S_OK, "True"},
        {Variant(), VT_I4, S_OK, "0"},
        {Variant(), VT_BSTR, S_OK, ""},
        {Variant(), VT_BOOL, S_OK, "False"},
        {Variant("40000"), VT_I2, DISP_E_OVERFLOW, ""},
        {Variant(LONG(-1)), VT_UI4, DISP_E_OVERFLOW, ""},
        {Variant(LONG(70000)), VT_I2, DISP_E_OVERFLOW, ""},
        {Variant(32767.5), VT_I2, DISP_E_OVERFLOW, ""},  // rounds to 32768
        {Variant("4294967296"), VT_UI4, DISP_E_OVERFLOW, ""},
        {Variant("99999999999999999999999"), VT_I4, DISP_E_OVERFLOW, ""},
        {Variant("1e400"), VT_R8, DISP_E_OVERFLOW, ""},
        {Variant(1e300), VT_R4, DISP_E_OVERFLOW, ""},
        {Variant(std::nan("")), VT_I4, DISP_E_OVERFLOW, ""},
        {Variant("12abc"), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {Variant(""), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {Variant("."), VT_R8, DISP_E_TYPEMISMATCH, ""},
        {Variant("1,5"), VT_R8, DISP_E_TYPEMISMATCH, ""},  // a comma is no decimal point
        {Variant("١٢"), VT_I4, DISP_E_TYPEMISMATCH, ""},   // digits of another script
        {Variant("yes"), VT_BOOL, DISP_E_TYPEMISMATCH, ""},
        {nullVariant(), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {Variant(LONG(1)), VT_NULL, DISP_E_TYPEMISMATCH, ""},
        {Variant(LONG(1)), VT_VARIANT, DISP_E_BADVARTYPE, ""},
    };
    for (const Conversion& c : cases) {
        SCOPED_TRACE(describe(c.source) + " to VARTYPE " + std::to_string(c.to));
        Variant result;
        EXPECT_EQ(VariantChangeType(&result.raw(), &c.source.raw(), c.flags, c.to), c.hr);
        if (c.hr == S_OK) {
            EXPECT_EQ(result.vt(), c.to);
            EXPECT_EQ(describe(result), c.expected);
        } else {
            EXPECT_EQ(result.vt(), VT_EMPTY);  // a failure leaves the destination alone
        }
    }
}

TEST(VariantChangeType, ReadsThroughReferencesAndConvertsInPlace) {
    LONG number = 1234;
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_BYREF | VT_I4;
    reference.plVal = &number;
    Variant text;
    ASSERT_EQ(VariantChangeType(&text.raw(), &reference, 0, VT_BSTR), S_OK);
    EXPECT_EQ(text.toString(), "1234");

    Variant inner("77");
    VARIANT toVariant;
    VariantInit(&toVariant);
    toVariant.vt = VT_BYREF | VT_VARIANT;
    toVariant.pvarVal = &inner.raw();
    Variant converted;
    ASSERT_EQ(VariantChangeType(&converted.raw(), &toVariant, 0, VT_I2), S_OK);
    EXPECT_EQ(converted.raw().iVal, 77);

    // Destination and source the same VARIANT: the string is freed, the number kept.
    Variant same("-9");
    ASSERT_EQ(VariantChangeType(&same.raw(), &same.raw(), 0, VT_I4), S_OK);
    EXPECT_EQ(same.vt(), VT_I4);
    EXPECT_EQ(same.raw().lVal, -9);

    Variant keep("keep");
    EXPECT_EQ(VariantChangeType(&keep.raw(), &keep.raw(), 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(keep.toString(), "keep");
}

// Counts its references, to show what VARIANT functions AddRef and Release.
class Counted final : public com::Object<IUnknown> {
  public:
    ULONG references() {
        AddRef();
        return Release();
    }
};

TEST(VariantCopy, CopiesStringsAndReferencesObjects) {
    Variant original("text");
    Variant copy;
    ASSERT_EQ(VariantCopy(&copy.raw(), &original.raw()), S_OK);
    EXPECT_NE(copy.raw().bstrVal, original.raw().bstrVal);
    EXPECT_EQ(copy.toString(), "text");

    com::Ptr<Counted> object = com::make<Counted>();
    VARIANT holder;
    VariantInit(&holder);
    holder.vt = VT_UNKNOWN;
    holder.punkVal = object.get();
    object->AddRef();
    {
        Variant second;
        ASSERT_EQ(VariantCopy(&second.raw(), &holder), S_OK);
        EXPECT_EQ(object->references(), 3u);
    }
    EXPECT_EQ(object->references(), 2u);
    EXPECT_EQ(VariantClear(&holder), S_OK);
    EXPECT_EQ(holder.vt, VT_EMPTY);
    EXPECT_EQ(object->references(), 1u);

    // A reference owns nothing: clearing it leaves the target alone; CopyInd copies the value.
    BSTR target = SysAllocString(u"target");
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_BYREF | VT_BSTR;
    reference.pbstrVal = &target;
    Variant byValue;
    ASSERT_EQ(VariantCopyInd(&byValue.raw(), &reference), S_OK);
    EXPECT_EQ(byValue.vt(), VT_BSTR);
    EXPECT_NE(byValue.raw().bstrVal, target);
    EXPECT_EQ(VariantClear(&reference), S_OK);
    EXPECT_EQ(std::u16string_view(target), u"target");
    SysFreeString(target);
}

TEST(VariantClear, RefusesUnknownTypes) {
    VARIANT odd;
    VariantInit(&odd);
    odd.vt = 0x7FF;
    EXPECT_EQ(VariantClear(&odd), DISP_E_BADVARTYPE);
    EXPECT_EQ(odd.vt, 0x7FF);
}

}  // namespace
