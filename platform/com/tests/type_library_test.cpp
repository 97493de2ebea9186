// A library's type information from compiled tables: interfaces, an events interface, a coclass
// and an enumeration, held together by the type library.
#include <gtest/gtest.h>

#include "platform/com/registration.h"
#include "platform/com/tests/sample_control.h"
#include "platform/com/type_library.h"

namespace {

constexpr IID kEventsIid{0x8A1E0020, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x20}};
constexpr GUID kEnumGuid{0x8A1E0021, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x21}};
constexpr GUID kLibid{0x8A1E0022, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x22}};

constexpr com::Member kEvents[] = {
    com::event<LONG, SHORT, LONG>("OnDigit", 14, com::params("Handle, Digit, Tag")),
    com::event<LONG, VARIANT_BOOL*>("OnWarning", 20, com::params("Code, Continue")),
};
constexpr com::TypeTable kEventsTable{kEventsIid, "ISampleEvents", kEvents, "Sample events"};

constexpr com::EnumValue kStates[] = {{"stIdle", 0}, {"stBusy", 5, "Busy now"}, {"stGone", -1}};
constexpr com::EnumTable kStateEnum{kEnumGuid, "TxStates", kStates};

const com::CoclassTable kCoclass{sample::kClsid, "Sample", sample::Control::typeTable(),
                                 &kEventsTable, "The sample control"};

const com::TypeTable* const kInterfaces[] = {&sample::Control::typeTable(), &kEventsTable};
const com::CoclassTable* const kCoclasses[] = {&kCoclass};
const com::EnumTable* const kEnums[] = {&kStateEnum};
const com::TypeLibTable kLibrary{kLibid,     "SampleLib", "Sample library",      3,
                                 6,          0x409,       com::LIBFLAG_FCONTROL, kInterfaces,
                                 kCoclasses, kEnums};

TYPEATTR attrOf(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    EXPECT_EQ(info->GetTypeAttr(&attr), S_OK);
    TYPEATTR copy = *attr;
    info->ReleaseTypeAttr(attr);
    return copy;
}

TEST(TypeLibrary, HoldsEveryTypeInOrder) {
    com::Ptr<ITypeLib> lib = com::typeLibOf(kLibrary);
    ASSERT_EQ(lib->GetTypeInfoCount(), 4u);
    const TYPEKIND kinds[] = {TKIND_DISPATCH, TKIND_DISPATCH, TKIND_COCLASS, TKIND_ENUM};
    for (UINT i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        TYPEKIND kind = TKIND_ALIAS;
        EXPECT_EQ(lib->GetTypeInfoType(i, &kind), S_OK);
        EXPECT_EQ(kind, kinds[i]);
        com::Ptr<ITypeInfo> info;
        ASSERT_EQ(lib->GetTypeInfo(i, info.put()), S_OK);
        com::Ptr<ITypeLib> container;
        UINT index = 99;
        ASSERT_EQ(info->GetContainingTypeLib(container.put(), &index), S_OK);
        EXPECT_EQ(container.get(), lib.get());
        EXPECT_EQ(index, i);
    }
    com::Ptr<ITypeInfo> info;
    EXPECT_EQ(lib->GetTypeInfo(4, info.put()), TYPE_E_ELEMENTNOTFOUND);
    ASSERT_EQ(lib->GetTypeInfoOfGuid(sample::kClsid, info.put()), S_OK);
    EXPECT_EQ(attrOf(info.get()).typekind, TKIND_COCLASS);

    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, kLibid);
    EXPECT_EQ(attr->wMajorVerNum, 3);
    EXPECT_EQ(attr->wMinorVerNum, 6);
    EXPECT_EQ(attr->lcid, 0x409u);
    EXPECT_EQ(attr->wLibFlags, com::LIBFLAG_FCONTROL);
    lib->ReleaseTLibAttr(attr);

    com::Bstr name, doc;
    ASSERT_EQ(lib->GetDocumentation(-1, name.put(), doc.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.utf8(), "SampleLib");
    ASSERT_EQ(lib->GetDocumentation(2, name.put(), doc.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.utf8(), "Sample");
    EXPECT_EQ(doc.utf8(), "The sample control");

    std::u16string lower = u"txstates";
    BOOL found = FALSE;
    ASSERT_EQ(lib->IsName(lower.data(), 0, &found), S_OK);
    EXPECT_TRUE(found);
}

TEST(TypeLibrary, CoclassNamesItsDefaultInterfaceAndSource) {
    com::Ptr<ITypeInfo> coclass = com::typeInfoOf(kCoclass);
    const TYPEATTR attr = attrOf(coclass.get());
    EXPECT_EQ(attr.guid, sample::kClsid);
    EXPECT_EQ(attr.cImplTypes, 2);
    EXPECT_EQ(attr.wTypeFlags, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

    struct Case {
        UINT index;
        std::int32_t flags;
        const IID& iid;
    };
    const Case cases[] = {{0, IMPLTYPEFLAG_FDEFAULT, sample::kIid},
                          {1, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE, kEventsIid}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        std::int32_t flags = 0;
        ASSERT_EQ(coclass->GetImplTypeFlags(c.index, &flags), S_OK);
        EXPECT_EQ(flags, c.flags);
        HREFTYPE ref = 0;
        ASSERT_EQ(coclass->GetRefTypeOfImplType(c.index, &ref), S_OK);
        com::Ptr<ITypeInfo> implemented;
        ASSERT_EQ(coclass->GetRefTypeInfo(ref, implemented.put()), S_OK);
        EXPECT_EQ(attrOf(implemented.get()).guid, c.iid);
    }
    HREFTYPE ref = 0;
    EXPECT_EQ(coclass->GetRefTypeOfImplType(2, &ref), TYPE_E_ELEMENTNOTFOUND);
}

TEST(TypeLibrary, EventsAreDescribedWithTheirArgumentTypes) {
    com::Ptr<ITypeInfo> events = com::typeInfoOf(kEventsTable);
    EXPECT_EQ(attrOf(events.get()).cFuncs, 2);
    FUNCDESC* desc = nullptr;
    ASSERT_EQ(events->GetFuncDesc(0, &desc), S_OK);
    EXPECT_EQ(desc->memid, 14);
    EXPECT_EQ(desc->invkind, INVOKE_FUNC);
    ASSERT_EQ(desc->cParams, 3);
    EXPECT_EQ(desc->lprgelemdescParam[1].tdesc.vt, VT_I2);
    EXPECT_EQ(desc->elemdescFunc.tdesc.vt, VT_VOID);
    ASSERT_EQ(events->GetFuncDesc(1, &desc), S_OK);
    EXPECT_EQ(desc->lprgelemdescParam[1].tdesc.vt, VT_PTR);
    EXPECT_EQ(desc->lprgelemdescParam[1].tdesc.lptdesc->vt, VT_BOOL);
    EXPECT_EQ(desc->lprgelemdescParam[1].paramdesc.wParamFlags, PARAMFLAG_FIN | PARAMFLAG_FOUT);
}

TEST(TypeLibrary, EnumerationListsItsConstants) {
    com::Ptr<ITypeInfo> states = com::typeInfoOf(kStateEnum);
    const TYPEATTR attr = attrOf(states.get());
    EXPECT_EQ(attr.typekind, TKIND_ENUM);
    ASSERT_EQ(attr.cVars, 3);
    for (UINT i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        VARDESC* desc = nullptr;
        ASSERT_EQ(states->GetVarDesc(i, &desc), S_OK);
        EXPECT_EQ(desc->varkind, VAR_CONST);
        EXPECT_EQ(desc->lpvarValue->vt, VT_I4);
        EXPECT_EQ(desc->lpvarValue->lVal, kStates[i].value);
        BSTR name = nullptr;
        UINT count = 0;
        ASSERT_EQ(states->GetNames(desc->memid, &name, 1, &count), S_OK);
        EXPECT_EQ(com::utf8FromBstr(name), kStates[i].name);
        SysFreeString(name);
        states->ReleaseVarDesc(desc);
    }
    std::u16string busy = u"STBUSY";
    LPOLESTR names[] = {busy.data()};
    MEMBERID memid = 0;
    ASSERT_EQ(states->GetIDsOfNames(names, 1, &memid), S_OK);
    com::Bstr doc;
    ASSERT_EQ(states->GetDocumentation(memid, nullptr, doc.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(doc.utf8(), "Busy now");
}

}  // namespace
