// The library's type information as a client reads it through ITypeLib and ITypeInfo, checked
// against identifiers and texts typed here from the published list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lkLK36/activex/lkLK36_TLB.h"
#include "lkLK36/activex/lkLK36_server.h"
#include "platform/com/variant.h"
#include "platform/core/text.h"

namespace {

struct TypeAttr {
    GUID guid;
    TYPEKIND kind;
    WORD flags;
    WORD major;
    WORD minor;
    WORD funcs;
    WORD vars;
    WORD implTypes;
};

TypeAttr attrOf(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    EXPECT_EQ(info->GetTypeAttr(&attr), S_OK);
    if (!attr)
        return {};
    TypeAttr copy{attr->guid,         attr->typekind, attr->wTypeFlags, attr->wMajorVerNum,
                  attr->wMinorVerNum, attr->cFuncs,   attr->cVars,      attr->cImplTypes};
    info->ReleaseTypeAttr(attr);
    return copy;
}

GUID guidOf(const char* text) {
    return core::parseGuid(text).value_or(GUID{});
}

constexpr WORD kDual = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
constexpr WORD kCoclass = TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL;

TEST(LkLK36TypeLibrary, DescribesItselfAsAControlLibrary) {
    com::Ptr<ITypeLib> lib = com::typeLibOf(lkLK36::lkLK36TypeLibrary());
    EXPECT_EQ(lib->GetTypeInfoCount(), 15u);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(core::formatGuid(attr->guid), "{55E22180-C6CF-11D4-9F1D-00A0CC610CDF}");
    EXPECT_EQ(attr->wMajorVerNum, 3);
    EXPECT_EQ(attr->wMinorVerNum, 6);
    EXPECT_EQ(attr->lcid, 0x0409u);
    EXPECT_EQ(attr->wLibFlags, 0x2);  // LIBFLAG_FCONTROL
    lib->ReleaseTLibAttr(attr);
    com::Bstr name, doc;
    ASSERT_EQ(lib->GetDocumentation(-1, name.put(), doc.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.utf8(), "lkLK36");
    EXPECT_EQ(doc.utf8(), "Orvane Quillon v3.6");
}

// Every type info found by its GUID and at its index, with its name, kind, flags, version and
// documentation; the rows are in index order.
TEST(LkLK36TypeLibrary, TypeInfosByGuid) {
    struct Case {
        const char* name;
        TYPEKIND kind;
        const char* guid;
        WORD flags;
        const char* doc;
    };
    static constexpr Case cases[] = {
        {"IlkLine", TKIND_DISPATCH, "{55E22181-C6CF-11D4-9F1D-00A0CC610CDF}", kDual,
         "Dispatch interface for lkLine Control"},
        {"IlkLineEvents", TKIND_DISPATCH, "{55E22183-C6CF-11D4-9F1D-00A0CC610CDF}",
         TYPEFLAG_FDISPATCHABLE, "Events interface for lkLine Control"},
        {"lkLine", TKIND_COCLASS, "{55E22185-C6CF-11D4-9F1D-00A0CC610CDF}", kCoclass,
         "lkLine Control"},
        {"TxWindowState", TKIND_ENUM, "{55E22187-C6CF-11D4-9F1D-00A0CC610CDF}", 0, ""},
        {"TxDevEnv", TKIND_ENUM, "{55E22188-C6CF-11D4-9F1D-00A0CC610CDF}", 0, ""},
        {"IlkPhone", TKIND_DISPATCH, "{55E2218C-C6CF-11D4-9F1D-00A0CC610CDF}", kDual,
         "Dispatch interface for lkPhone Control"},
        {"IlkPhoneEvents", TKIND_DISPATCH, "{55E2218E-C6CF-11D4-9F1D-00A0CC610CDF}",
         TYPEFLAG_FDISPATCHABLE, "Events interface for lkPhone Control"},
        {"lkPhone", TKIND_COCLASS, "{55E22190-C6CF-11D4-9F1D-00A0CC610CDF}", kCoclass,
         "lkPhone Control"},
        {"IlkPlay", TKIND_DISPATCH, "{55E22197-C6CF-11D4-9F1D-00A0CC610CDF}", kDual,
         "Dispatch interface for lkPlay Control"},
        {"IlkPlayEvents", TKIND_DISPATCH, "{55E22199-C6CF-11D4-9F1D-00A0CC610CDF}",
         TYPEFLAG_FDISPATCHABLE, "Events interface for lkPlay Control"},
        {"lkPlay", TKIND_COCLASS, "{55E2219B-C6CF-11D4-9F1D-00A0CC610CDF}", kCoclass,
         "lkPlay Control"},
        {"TxWAVFORMATS", TKIND_ENUM, "{55E2219D-C6CF-11D4-9F1D-00A0CC610CDF}", 0, ""},
        {"IlkRecord", TKIND_DISPATCH, "{55E221A5-C6CF-11D4-9F1D-00A0CC610CDF}", kDual,
         "Dispatch interface for lkRecord Control"},
        {"IlkRecordEvents", TKIND_DISPATCH, "{55E221A7-C6CF-11D4-9F1D-00A0CC610CDF}",
         TYPEFLAG_FDISPATCHABLE, "Events interface for lkRecord Control"},
        {"lkRecord", TKIND_COCLASS, "{55E221A9-C6CF-11D4-9F1D-00A0CC610CDF}", kCoclass,
         "lkRecord Control"},
    };
    com::Ptr<ITypeLib> lib = com::typeLibOf(lkLK36::lkLK36TypeLibrary());
    UINT index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        com::Ptr<ITypeInfo> info;
        ASSERT_EQ(lib->GetTypeInfoOfGuid(guidOf(c.guid), info.put()), S_OK);
        com::Ptr<ITypeInfo> atIndex;
        ASSERT_EQ(lib->GetTypeInfo(index++, atIndex.put()), S_OK);
        EXPECT_EQ(atIndex.get(), info.get());
        const TypeAttr attr = attrOf(info.get());
        EXPECT_EQ(attr.kind, c.kind);
        EXPECT_EQ(attr.flags, c.flags);
        if (c.kind != TKIND_COCLASS && c.kind != TKIND_ENUM) {
            EXPECT_EQ(attr.major, 3);
            EXPECT_EQ(attr.minor, 6);
        }
        com::Bstr name, doc;
        ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, name.put(), doc.put(), nullptr, nullptr),
                  S_OK);
        EXPECT_EQ(name.utf8(), c.name);
        EXPECT_EQ(doc.utf8(), c.doc);
    }
}

// Each coclass: the dual interface as default, the events interface as default source.
TEST(LkLK36TypeLibrary, CoclassesNameTheirInterfaces) {
    struct Case {
        const char* clsid;
        const char* defaultInterface;
        const char* defaultSource;
    };
    static constexpr Case cases[] = {
        {"{55E22185-C6CF-11D4-9F1D-00A0CC610CDF}", "IlkLine", "IlkLineEvents"},
        {"{55E22190-C6CF-11D4-9F1D-00A0CC610CDF}", "IlkPhone", "IlkPhoneEvents"},
        {"{55E2219B-C6CF-11D4-9F1D-00A0CC610CDF}", "IlkPlay", "IlkPlayEvents"},
        {"{55E221A9-C6CF-11D4-9F1D-00A0CC610CDF}", "IlkRecord", "IlkRecordEvents"},
    };
    com::Ptr<ITypeLib> lib = com::typeLibOf(lkLK36::lkLK36TypeLibrary());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clsid);
        com::Ptr<ITypeInfo> coclass;
        ASSERT_EQ(lib->GetTypeInfoOfGuid(guidOf(c.clsid), coclass.put()), S_OK);
        ASSERT_EQ(attrOf(coclass.get()).implTypes, 2);
        const std::int32_t flags[] = {IMPLTYPEFLAG_FDEFAULT,
                                      IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE};
        const char* names[] = {c.defaultInterface, c.defaultSource};
        for (UINT i = 0; i < 2; ++i) {
            std::int32_t implFlags = 0;
            ASSERT_EQ(coclass->GetImplTypeFlags(i, &implFlags), S_OK);
            EXPECT_EQ(implFlags, flags[i]);
            HREFTYPE ref = 0;
            ASSERT_EQ(coclass->GetRefTypeOfImplType(i, &ref), S_OK);
            com::Ptr<ITypeInfo> implemented;
            ASSERT_EQ(coclass->GetRefTypeInfo(ref, implemented.put()), S_OK);
            com::Bstr name;
            ASSERT_EQ(
                implemented->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr),
                S_OK);
            EXPECT_EQ(name.utf8(), names[i]);
        }
    }
}

// The class table and the type library agree on every control, in factory order.
TEST(LkLK36TypeLibrary, ClassTableMatchesTheCoclasses) {
    const char* const names[] = {"lkLine", "lkPhone", "lkPlay", "lkRecord"};
    const std::span<const lkLK36::ControlClass> classes = lkLK36::controlClasses();
    ASSERT_EQ(classes.size(), std::size(names));
    for (std::size_t i = 0; i < classes.size(); ++i) {
        SCOPED_TRACE(names[i]);
        const com::CoclassTable& coclass = classes[i].coclass();
        EXPECT_EQ(coclass.name, names[i]);
        EXPECT_EQ(coclass.clsid, classes[i].identity.clsid);
        EXPECT_EQ(coclass.defaultInterface.iid, classes[i].identity.iid);
        ASSERT_NE(coclass.defaultSource, nullptr);
        EXPECT_EQ(coclass.defaultSource->iid, classes[i].identity.eventsIid);
        EXPECT_EQ(classes[i].identity.progId, "lkLK36." + std::string(names[i]));
    }
}

// The enumerations number their names 0, 1, 2 ... in declared order, as 32-bit integers.
TEST(LkLK36TypeLibrary, EnumerationValues) {
    struct Case {
        const com::EnumTable& table;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {lkLK36::TxWindowStateTable(), {"wsNormal", "wsMinimized", "wsMaximized"}},
        {lkLK36::TxDevEnvTable(), {"deCppBuilder", "deDelphi", "deOther", "deVisualBasic"}},
        {lkLK36::TxWAVFORMATSTable(),
         {"wfUnknown",       "wfPCM08000M08",      "wfPCM08000S08",      "wfPCM08000M16",
          "wfPCM08000S16",   "wfPCM11025M08",      "wfPCM11025S08",      "wfPCM11025M16",
          "wfPCM11025S16",   "wfPCM22050M08",      "wfPCM22050S08",      "wfPCM22050M16",
          "wfPCM22050S16",   "wfPCM44100M08",      "wfPCM44100S08",      "wfPCM44100M16",
          "wfPCM44100S16",   "wfuLaw06000M08",     "wfuLaw08000M08",     "wfADPCM06000M04",
          "wfADPCM08000M04", "wfIMAADPCM04800M04", "wfIMAADPCM07200M04", "wfIMAADPCM08000M04"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table.name);
        com::Ptr<ITypeInfo> info = com::typeInfoOf(c.table);
        ASSERT_EQ(attrOf(info.get()).vars, c.names.size());
        for (UINT i = 0; i < c.names.size(); ++i) {
            SCOPED_TRACE(c.names[i]);
            VARDESC* var = nullptr;
            ASSERT_EQ(info->GetVarDesc(i, &var), S_OK);
            EXPECT_EQ(var->lpvarValue->vt, VT_I4);
            EXPECT_EQ(var->lpvarValue->lVal, static_cast<LONG>(i));
            com::Bstr name;
            EXPECT_EQ(info->GetDocumentation(var->memid, name.put(), nullptr, nullptr, nullptr),
                      S_OK);
            EXPECT_EQ(name.utf8(), c.names[i]);
            info->ReleaseVarDesc(var);
        }
    }
}

// Events are numbered 1 to n in declared order; the ones with arguments other than one call
// handle carry their own types.
TEST(LkLK36TypeLibrary, EventsInterfaces) {
    struct Count {
        const com::TypeTable& table;
        std::size_t events;
    };
    const Count counts[] = {{lkLK36::IlkLineEventsTable(), 37},
                            {lkLK36::IlkPhoneEventsTable(), 15},
                            {lkLK36::IlkPlayEventsTable(), 6},
                            {lkLK36::IlkRecordEventsTable(), 3}};
    for (const Count& c : counts) {
        SCOPED_TRACE(c.table.name);
        ASSERT_EQ(c.table.members.size(), c.events);
        for (std::size_t i = 0; i < c.events; ++i) {
            EXPECT_EQ(c.table.members[i].dispid, static_cast<DISPID>(i + 1))
                << c.table.members[i].name;
            EXPECT_EQ(c.table.members[i].method.result, VT_EMPTY);
        }
    }

    struct Event {
        const com::TypeTable& table;
        DISPID dispid;
        const char* name;
        std::vector<VARTYPE> args;
    };
    const Event events[] = {
        {lkLK36::IlkLineEventsTable(), 1, "OnBusy", {VT_I4}},
        {lkLK36::IlkLineEventsTable(), 14, "OnDigitReceived", {VT_I4, VT_I2, VT_I4}},
        {lkLK36::IlkLineEventsTable(), 16, "OnError", {}},
        {lkLK36::IlkLineEventsTable(), 23, "OnRing", {VT_I4, VT_I4}},
        {lkLK36::IlkLineEventsTable(), 27, "OnTAPIMessage", {VT_I4, VT_I4, VT_I4, VT_I4, VT_I4}},
        {lkLK36::IlkLineEventsTable(), 28, "OnTAPIReply", {VT_I4, VT_I4, VT_I4}},
        {lkLK36::IlkLineEventsTable(), 36, "OnAddressForward", {VT_I4}},
        {lkLK36::IlkLineEventsTable(), 37, "OnDigitsGathered", {VT_I4, VT_BSTR, VT_I4, VT_I4}},
        {lkLK36::IlkPhoneEventsTable(), 1, "OnDigitDown", {VT_I2}},
        {lkLK36::IlkPhoneEventsTable(), 14, "OnTAPIMessage", {VT_I4, VT_I4, VT_I4, VT_I4, VT_I4}},
        {lkLK36::IlkPlayEventsTable(), 6, "OnWarning", {VT_BYREF | VT_BOOL}},
        {lkLK36::IlkRecordEventsTable(), 1, "OnDone", {}},
        {lkLK36::IlkRecordEventsTable(), 3, "OnWarning", {VT_BYREF | VT_BOOL}},
    };
    for (const Event& e : events) {
        SCOPED_TRACE(std::string(e.table.name) + "." + e.name);
        const com::Member* member = com::findMember(e.table, e.dispid);
        ASSERT_NE(member, nullptr);
        EXPECT_EQ(member->name, e.name);
        EXPECT_EQ(std::vector<VARTYPE>(member->method.params.begin(), member->method.params.end()),
                  e.args);
    }
}

}  // namespace
