// IDispatch and ITypeInfo served from a member table, driven the way a late-bound client drives
// them: raw DISPPARAMS with arguments in reverse order.
#include <gtest/gtest.h>

#include <vector>

#include "platform/com/dispatch_client.h"
#include "platform/com/tests/sample_control.h"

namespace {

using com::Variant;
using sample::Control;
namespace dispid = sample::dispid;

const char* nameOf(HRESULT hr) {
    switch (hr) {
        case S_OK:
            return "S_OK";
        case DISP_E_MEMBERNOTFOUND:
            return "DISP_E_MEMBERNOTFOUND";
        case DISP_E_PARAMNOTFOUND:
            return "DISP_E_PARAMNOTFOUND";
        case DISP_E_TYPEMISMATCH:
            return "DISP_E_TYPEMISMATCH";
        case DISP_E_UNKNOWNNAME:
            return "DISP_E_UNKNOWNNAME";
        case DISP_E_NONAMEDARGS:
            return "DISP_E_NONAMEDARGS";
        case DISP_E_EXCEPTION:
            return "DISP_E_EXCEPTION";
        case DISP_E_OVERFLOW:
            return "DISP_E_OVERFLOW";
        case DISP_E_BADPARAMCOUNT:
            return "DISP_E_BADPARAMCOUNT";
        case DISP_E_PARAMNOTOPTIONAL:
            return "DISP_E_PARAMNOTOPTIONAL";
        case DISP_E_UNKNOWNINTERFACE:
            return "DISP_E_UNKNOWNINTERFACE";
        default:
            return "another HRESULT";
    }
}

class DispatchTest : public testing::Test {
  protected:
    // `reversed` is rgvarg as it is passed: the last argument first.
    HRESULT invoke(DISPID id, WORD flags, std::vector<Variant> reversed, Variant* result = nullptr,
                   bool namedPut = false) {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{reversed.empty() ? nullptr : &reversed.front().raw(),
                          namedPut ? &named : nullptr, static_cast<UINT>(reversed.size()),
                          namedPut ? 1u : 0u};
        argErr = 999;
        excep = {};
        return control->Invoke(id, IID_NULL, 0, flags, &params, result ? &result->raw() : nullptr,
                               &excep, &argErr);
    }
    HRESULT put(DISPID id, Variant value) {
        return invoke(id, DISPATCH_PROPERTYPUT, {std::move(value)}, nullptr, true);
    }
    Variant get(DISPID id) {
        Variant result;
        EXPECT_EQ(invoke(id, DISPATCH_PROPERTYGET, {}, &result), S_OK);
        return result;
    }
    void TearDown() override {
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
    }

    com::Ptr<Control> control = com::make<Control>();
    UINT argErr = 0;
    EXCEPINFO excep{};
};

TEST_F(DispatchTest, MethodTakesArgumentsInReverseOrderAndCoercesThem) {
    Variant result;
    // Join(First, Second, Third): "A", "12" (text for a long), 1 (a number for a boolean).
    ASSERT_EQ(invoke(dispid::Join, DISPATCH_METHOD, {LONG(1), "12", "A"}, &result), S_OK);
    EXPECT_EQ(result.vt(), VT_BSTR);
    EXPECT_EQ(result.toString(), "A:12:True");
}

TEST_F(DispatchTest, PropertiesRoundTripThroughGetAndPut) {
    ASSERT_EQ(put(dispid::Name, "Zoë ☎"), S_OK);
    EXPECT_EQ(get(dispid::Name).toString(), "Zoë ☎");

    // Any non-zero value puts True; True always reads back as -1.
    for (const Variant& truth : {Variant(LONG(1)), Variant(static_cast<VARIANT_BOOL>(1))}) {
        ASSERT_EQ(put(dispid::Active, VARIANT_FALSE), S_OK);
        ASSERT_EQ(put(dispid::Active, truth), S_OK);
        Variant active = get(dispid::Active);
        EXPECT_EQ(active.vt(), VT_BOOL);
        EXPECT_EQ(active.raw().boolVal, VARIANT_TRUE);
    }

    // A null BSTR puts the empty string; the empty string reads back as a null BSTR.
    Variant nullText;
    nullText.put()->vt = VT_BSTR;
    ASSERT_EQ(put(dispid::Name, nullText), S_OK);
    Variant name = get(dispid::Name);
    EXPECT_EQ(name.vt(), VT_BSTR);
    EXPECT_EQ(name.raw().bstrVal, nullptr);

    // An indexed property: the index comes before the value, which is the named argument.
    ASSERT_EQ(invoke(dispid::Item, DISPATCH_PROPERTYPUT, {"second", LONG(1)}, nullptr, true), S_OK);
    Variant item;
    ASSERT_EQ(invoke(dispid::Item, DISPATCH_PROPERTYGET, {SHORT(1)}, &item), S_OK);
    EXPECT_EQ(item.toString(), "second");

    // A caller asking for a method or a property at once gets the property.
    Variant rate;
    ASSERT_EQ(invoke(dispid::Rate, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, &rate), S_OK);
    EXPECT_EQ(rate.raw().dblVal, 2.5);
}

TEST_F(DispatchTest, NamedArgumentsFindTheirParameters) {
    // Join("A", Third:=False, Second:=5): the named arguments come first in rgvarg.
    Variant args[] = {false, LONG(5), "A"};
    DISPID names[] = {2, 1};
    DISPPARAMS params{&args[0].raw(), names, 3, 2};
    Variant result;
    ASSERT_EQ(control->Invoke(dispid::Join, IID_NULL, 0, DISPATCH_METHOD, &params, &result.raw(),
                              nullptr, &argErr),
              S_OK);
    EXPECT_EQ(result.toString(), "A:5:False");

    names[1] = 0;  // First, which is also given by position
    EXPECT_EQ(control->Invoke(dispid::Join, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                              &argErr),
              DISP_E_PARAMNOTFOUND);
    names[1] = 7;  // no such parameter
    EXPECT_EQ(control->Invoke(dispid::Join, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                              &argErr),
              DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(argErr, 1u);
    names[0] = DISPID_PROPERTYPUT;  // names a put's value, which a method has not
    names[1] = 1;
    EXPECT_EQ(control->Invoke(dispid::Join, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                              &argErr),
              DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(argErr, 0u);
}

TEST_F(DispatchTest, ByReferenceArgumentsAreWrittenBack) {
    VARIANT_BOOL value = VARIANT_FALSE;
    ASSERT_EQ(invoke(dispid::Flip, DISPATCH_METHOD, {LONG(3), Variant::byRef(&value)}), S_OK);
    EXPECT_EQ(value, VARIANT_TRUE);

    // A reference to a VARIANT holding the type, as a script passes its variables.
    Variant variable(false);
    Variant reference;
    reference.put()->vt = VT_BYREF | VT_VARIANT;
    reference.raw().pvarVal = &variable.raw();
    ASSERT_EQ(invoke(dispid::Flip, DISPATCH_METHOD, {LONG(1), reference}), S_OK);
    EXPECT_EQ(variable.raw().boolVal, VARIANT_TRUE);

    // A by-value boolean cannot stand for a reference.
    EXPECT_EQ(invoke(dispid::Flip, DISPATCH_METHOD, {LONG(1), true}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 1u);
}

TEST_F(DispatchTest, RefusesCallsThatDoNotFitTheMember) {
    Variant missing;
    missing.put()->vt = VT_ERROR;
    missing.raw().scode = DISP_E_PARAMNOTFOUND;
    struct Case {
        const char* what;
        DISPID id;
        WORD flags;
        std::vector<Variant> reversed;
        bool namedPut;
        HRESULT expected;
        UINT argErr;  // 999: left alone
    };
    const Case cases[] = {
        {"unknown DISPID", 77, DISPATCH_METHOD, {}, false, DISP_E_MEMBERNOTFOUND, 999},
        {"put of a read-only property",
         dispid::Rate,
         DISPATCH_PROPERTYPUT,
         {1.0},
         true,
         DISP_E_MEMBERNOTFOUND,
         999},
        {"a property called as a method",
         dispid::Name,
         DISPATCH_METHOD,
         {},
         false,
         DISP_E_MEMBERNOTFOUND,
         999},
        {"a method read as a property",
         dispid::Join,
         DISPATCH_PROPERTYGET,
         {},
         false,
         DISP_E_MEMBERNOTFOUND,
         999},
        {"put without DISPID_PROPERTYPUT",
         dispid::Name,
         DISPATCH_PROPERTYPUT,
         {"x"},
         false,
         DISP_E_PARAMNOTFOUND,
         999},
        {"too few arguments",
         dispid::Join,
         DISPATCH_METHOD,
         {LONG(1), "x"},
         false,
         DISP_E_BADPARAMCOUNT,
         999},
        {"too many arguments",
         dispid::Name,
         DISPATCH_PROPERTYGET,
         {LONG(1)},
         false,
         DISP_E_BADPARAMCOUNT,
         999},
        {"text that is no number",
         dispid::Join,
         DISPATCH_METHOD,
         {true, "twelve", "A"},
         false,
         DISP_E_TYPEMISMATCH,
         1},
        {"an object for text",
         dispid::Join,
         DISPATCH_METHOD,
         {true, LONG(1), Variant(static_cast<IDispatch*>(nullptr))},
         false,
         DISP_E_TYPEMISMATCH,
         2},
        {"a value too large for a short",
         dispid::Level,
         DISPATCH_PROPERTYPUT,
         {LONG(70000)},
         true,
         DISP_E_OVERFLOW,
         0},
        {"an argument passed as missing",
         dispid::Join,
         DISPATCH_METHOD,
         {true, LONG(1), missing},
         false,
         DISP_E_PARAMNOTOPTIONAL,
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Variant result(LONG(-7));  // a failed call leaves the result alone
        const HRESULT hr = invoke(c.id, c.flags, c.reversed, &result, c.namedPut);
        EXPECT_STREQ(nameOf(hr), nameOf(c.expected));
        EXPECT_EQ(argErr, c.argErr);
        EXPECT_EQ(result.raw().lVal, -7);
    }
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(control->Invoke(dispid::Rate, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, nullptr,
                              nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchTest, FailingMemberGivesExceptionFromItsErrorObject) {
    Variant result(LONG(-7));
    ASSERT_EQ(invoke(dispid::Fail, DISPATCH_METHOD, {}, &result), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, E_UNEXPECTED);
    EXPECT_EQ(com::utf8FromBstr(excep.bstrSource), "Sample.Control");
    EXPECT_EQ(com::utf8FromBstr(excep.bstrDescription), "The line is busy");
    EXPECT_EQ(excep.dwHelpContext, 42u);
    EXPECT_EQ(result.raw().lVal, -7);
    // The error object went into EXCEPINFO; the thread's slot is empty again.
    com::Ptr<IErrorInfo> left;
    EXPECT_EQ(GetErrorInfo(0, left.put()), S_FALSE);
}

TEST_F(DispatchTest, ThrowingMemberIsCaughtAtTheBoundary) {
    ASSERT_EQ(invoke(dispid::Throw, DISPATCH_METHOD, {}), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, E_UNEXPECTED);
    EXPECT_EQ(com::utf8FromBstr(excep.bstrSource), "Sample.Control");
    EXPECT_EQ(com::utf8FromBstr(excep.bstrDescription), "Thrown inside");
}

TEST_F(DispatchTest, NamesResolveWithoutRegardToCase) {
    std::u16string join = u"jOIN", third = u"THIRD", first = u"first", bogus = u"Bogus";
    LPOLESTR names[] = {join.data(), third.data(), first.data()};
    DISPID ids[3] = {};
    ASSERT_EQ(control->GetIDsOfNames(IID_NULL, names, 3, 0, ids), S_OK);
    EXPECT_EQ(ids[0], dispid::Join);
    EXPECT_EQ(ids[1], 2);
    EXPECT_EQ(ids[2], 0);

    LPOLESTR unknownParam[] = {join.data(), bogus.data()};
    EXPECT_EQ(control->GetIDsOfNames(IID_NULL, unknownParam, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], dispid::Join);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);

    LPOLESTR unknownMember[] = {bogus.data()};
    EXPECT_EQ(control->GetIDsOfNames(IID_NULL, unknownMember, 1, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
}

TEST_F(DispatchTest, TypeInfoDescribesTheTable) {
    UINT count = 0;
    ASSERT_EQ(control->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    com::Ptr<ITypeInfo> info;
    EXPECT_EQ(control->GetTypeInfo(1, 0, info.put()), DISP_E_BADINDEX);
    EXPECT_FALSE(info);
    ASSERT_EQ(control->GetTypeInfo(0, 0, info.put()), S_OK);

    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, sample::kIid);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(attr->cFuncs, 15);  // six properties with a put, one read-only, four methods
    info->ReleaseTypeAttr(attr);

    // Name's put comes before its get.
    FUNCDESC* desc = nullptr;
    ASSERT_EQ(info->GetFuncDesc(0, &desc), S_OK);
    EXPECT_EQ(desc->memid, dispid::Name);
    EXPECT_EQ(desc->invkind, INVOKE_PROPERTYPUT);
    ASSERT_EQ(desc->cParams, 1);
    EXPECT_EQ(desc->lprgelemdescParam[0].tdesc.vt, VT_BSTR);
    ASSERT_EQ(info->GetFuncDesc(1, &desc), S_OK);
    EXPECT_EQ(desc->invkind, INVOKE_PROPERTYGET);
    EXPECT_EQ(desc->elemdescFunc.tdesc.vt, VT_BSTR);

    ASSERT_EQ(info->GetFuncDesc(11, &desc), S_OK);  // Join
    EXPECT_EQ(desc->memid, dispid::Join);
    EXPECT_EQ(desc->funckind, FUNC_DISPATCH);
    ASSERT_EQ(desc->cParams, 3);
    EXPECT_EQ(desc->lprgelemdescParam[0].tdesc.vt, VT_BSTR);
    EXPECT_EQ(desc->lprgelemdescParam[1].tdesc.vt, VT_I4);
    EXPECT_EQ(desc->lprgelemdescParam[2].tdesc.vt, VT_BOOL);
    EXPECT_EQ(desc->elemdescFunc.tdesc.vt, VT_BSTR);
    ASSERT_EQ(info->GetFuncDesc(12, &desc), S_OK);  // Flip: a by-reference boolean
    EXPECT_EQ(desc->lprgelemdescParam[0].tdesc.vt, VT_PTR);
    EXPECT_EQ(desc->lprgelemdescParam[0].tdesc.lptdesc->vt, VT_BOOL);
    EXPECT_EQ(desc->elemdescFunc.tdesc.vt, VT_VOID);
    ASSERT_EQ(info->GetFuncDesc(7, &desc), S_OK);  // Hidden's get
    EXPECT_EQ(desc->wFuncFlags, FUNCFLAG_FNONBROWSABLE);
    EXPECT_EQ(info->GetFuncDesc(15, &desc), TYPE_E_ELEMENTNOTFOUND);

    BSTR names[5] = {};
    UINT found = 0;
    ASSERT_EQ(info->GetNames(dispid::Join, names, 5, &found), S_OK);
    ASSERT_EQ(found, 4u);
    EXPECT_EQ(com::utf8FromBstr(names[0]), "Join");
    EXPECT_EQ(com::utf8FromBstr(names[3]), "Third");
    for (BSTR name : names)
        SysFreeString(name);

    com::Bstr name, doc;
    ASSERT_EQ(info->GetDocumentation(dispid::Name, name.put(), doc.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.utf8(), "Name");
    EXPECT_EQ(doc.utf8(), "The control's name");
    ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, name.put(), doc.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.utf8(), "ISample");
    EXPECT_EQ(info->GetDocumentation(77, name.put(), nullptr, nullptr, nullptr),
              TYPE_E_ELEMENTNOTFOUND);

    // ITypeInfo::Invoke reaches the instance's members.
    Variant rate;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(info->Invoke(static_cast<IDispatch*>(control.get()), dispid::Rate,
                           DISPATCH_PROPERTYGET, &none, &rate.raw(), nullptr, nullptr),
              S_OK);
    EXPECT_EQ(rate.raw().dblVal, 2.5);
}

TEST_F(DispatchTest, QueryInterfaceAnswersTheTableInterface) {
    com::Ptr<IUnknown> unknown(static_cast<IDispatch*>(control.get()));
    com::Ptr<IDispatch> byTableIid;
    ASSERT_EQ(unknown->QueryInterface(sample::kIid, byTableIid.putVoid()), S_OK);
    EXPECT_EQ(byTableIid.get(), static_cast<IDispatch*>(control.get()));
    EXPECT_TRUE(unknown.query<ISupportErrorInfo>());
    EXPECT_TRUE(unknown.query<IPersist>());  // IPersistPropertyBag derives from it
    EXPECT_FALSE(unknown.query<IClassFactory>());
}

TEST_F(DispatchTest, AnObjectConvertsThroughItsDefaultMember) {
    Variant object(static_cast<IDispatch*>(control.get()));
    Variant text;
    ASSERT_EQ(VariantChangeType(&text.raw(), &object.raw(), 0, VT_BSTR), S_OK);
    EXPECT_EQ(text.toString(), "2.5");
    EXPECT_EQ(VariantChangeType(&text.raw(), &object.raw(), VARIANT_NOVALUEPROP, VT_BSTR),
              DISP_E_TYPEMISMATCH);
}

TEST_F(DispatchTest, ClientWrapperCallsByDispid) {
    com::Dispatch line = com::Dispatch::from(static_cast<IDispatch*>(control.get()));
    ASSERT_TRUE(line);
    EXPECT_EQ(line.put(dispid::Name, "Line 1"), S_OK);
    EXPECT_EQ(line.get(dispid::Name).value.toString(), "Line 1");
    EXPECT_EQ(line.call(dispid::Join, "B", LONG(7), false).value.toString(), "B:7:False");
    EXPECT_EQ(line.put(dispid::Item, "ignored"), DISP_E_BADPARAMCOUNT);

    const com::Outcome failed = line.call(dispid::Fail);
    EXPECT_EQ(failed.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(failed.scode, E_UNEXPECTED);
    EXPECT_EQ(failed.error, "The line is busy");
}

TEST(PropertyBag, StoredValuesArePutBeforeLoaded) {
    com::Ptr<Control> control = com::make<Control>();
    com::Ptr<com::PropertyBag> bag = com::make<com::PropertyBag>();
    bag->set("name", "Stored line");    // any case
    bag->set("Active", LONG(1));        // coerced as a put coerces
    bag->set("Level", "not a number");  // refused by the put, skipped
    bag->set("Hidden", LONG(5));        // not browsable: not persisted
    bag->set("Rate", 9.0);              // read-only: not persisted
    ASSERT_EQ(com::loadProperties(static_cast<IDispatch*>(control.get()), bag.get()), S_OK);

    EXPECT_EQ(control->loadedCount, 1);
    EXPECT_EQ(control->nameWhenLoaded, "Stored line");
    com::Dispatch line = com::Dispatch::from(static_cast<IDispatch*>(control.get()));
    EXPECT_EQ(line.get(dispid::Active).value.toBool(), true);
    EXPECT_EQ(line.get(dispid::Level).value.toInt32(), 0);
    EXPECT_EQ(line.get(dispid::Hidden).value.toInt32(), 0);
    EXPECT_EQ(line.get(dispid::Rate).value.toDouble(), 2.5);

    // Reading a bag: VT_EMPTY asks for the stored type, another type is converted.
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    std::u16string active = u"ACTIVE";
    ASSERT_EQ(bag->Read(active.c_str(), &value, nullptr), S_OK);
    EXPECT_EQ(com::utf8FromBstr(value.bstrVal), "1");
    VariantClear(&value);
    EXPECT_EQ(bag->Read(u"Missing", &value, nullptr), E_INVALIDARG);

    com::Ptr<Control> fresh = com::make<Control>();
    ASSERT_EQ(com::loadProperties(static_cast<IDispatch*>(fresh.get()), nullptr), S_OK);
    EXPECT_EQ(fresh->loadedCount, 1);
}

// A large table's members are found by DISPID, the first row of a DISPID winning, and a table made
// where an earlier one was, with other rows, is read as it is now.
TEST(FindMember, FindsEveryRowOfALargeTableAndFollowsATableMadeInPlace) {
    constexpr int kRows = 40;
    std::vector<com::Member> rows(kRows);
    const auto fill = [&rows](DISPID first) {
        for (int i = 0; i < kRows; ++i) {
            rows[static_cast<std::size_t>(i)] = com::Member{};
            rows[static_cast<std::size_t>(i)].dispid = first + (kRows - 1 - i) * 3;
        }
    };
    const auto table = [&rows] { return com::TypeTable(IID{}, "Rows", rows); };
    for (const DISPID first : {DISPID{1}, DISPID{2}}) {
        SCOPED_TRACE(first);
        fill(first);
        for (std::size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(com::findMember(table(), rows[i].dispid), &rows[i]);
        EXPECT_EQ(com::findMember(table(), first == 1 ? 2 : 1), nullptr)
            << "a row of the table before";
        EXPECT_EQ(com::findMember(table(), 1000), nullptr);
    }
    std::vector<com::Member> twice(rows);
    twice[10].dispid = twice[20].dispid;
    EXPECT_EQ(com::findMember(com::TypeTable(IID{}, "Twice", twice), twice[20].dispid), &twice[10]);
}

}  // namespace
