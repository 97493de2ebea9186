// The controls' members through IDispatch::Invoke: the conversions between automation and engine
// values, the members every control has, the IStrings adapters, and the controls' lifetime.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "lkLK36/activex/lkLK36_server.h"
#include "lkLK36/activex/lkPlayImpl1.h"
#include "lkLK36/activex/lkRecordImpl1.h"
#include "lkLK36/activex/tests/control_test_support.h"
#include "lkLK36/engines/lkLKConst.h"
#include "platform/com/property_bag.h"
#include "platform/winmm/mmsystem.h"

namespace lkLK36::testing {
namespace {

using com::Variant;

// DISPIDs of IlkLine's common members used below.
namespace line_dispid {
constexpr DISPID FillErrorStrings = 2, InitCtrl = 190, ErrorHex = 192, ErrorNumber = 193,
                 ErrorText = 194, VantageEvents = 195, VantageWindowState = 200,
                 DesignerUpdate = 201, VantageLogCount = 211, VantageLogLines = 212,
                 VantageDevEnv = 214, VantageStayOnTop = 215, DoubleBuffered = 217,
                 VisibleDockClientCount = 218, DrawTextBiDiModeFlagsReadingOnly = 220,
                 InitiateAction = 221, IsRightToLeft = 222, Visible = 227, Cursor = 228;
}

com::Ptr<IDispatch> listOf(const com::Outcome& outcome) {
    EXPECT_EQ(outcome.value.vt(), VT_DISPATCH);
    return outcome.value.toDispatch();
}

Variant truth(SHORT raw) {
    return Variant(static_cast<VARIANT_BOOL>(raw));
}

using LineMembers = LineControlTest;

TEST_F(LineMembers, TruthValuesGoInAsAnyNonZeroAndComeOutAsMinusOneOrZero) {
    struct Case {
        SHORT given;
        bool stored;
    };
    static constexpr Case cases[] = {{1, true}, {-1, true}, {0, false}, {7, true}, {0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        ASSERT_EQ(
            line.invoke(line_dispid::VantageStayOnTop, DISPATCH_PROPERTYPUT, {truth(c.given)}).hr,
            S_OK);
        EXPECT_EQ(engine().Vantage().StayOnTop(), c.stored);
        const com::Outcome read = line.get(line_dispid::VantageStayOnTop);
        ASSERT_EQ(read.value.vt(), VT_BOOL);
        EXPECT_EQ(read.value.raw().boolVal, c.stored ? VARIANT_TRUE : VARIANT_FALSE);
    }
}

TEST_F(LineMembers, EmptyTextsComeOutAsTheNullBstrAndANullBstrGoesInAsEmpty) {
    for (DISPID id : {line_dispid::ErrorText, line_dispid::ErrorHex}) {
        const com::Outcome read = line.get(id);
        ASSERT_EQ(read.value.vt(), VT_BSTR);
        EXPECT_EQ(read.value.raw().bstrVal, nullptr);
    }
    Variant nullText;
    nullText.put()->vt = VT_BSTR;  // a null BSTR
    ASSERT_EQ(line.invoke(line_dispid::InitCtrl, DISPATCH_METHOD,
                          {Variant(LONG(lkKindLine)), Variant::copyOf(nullText.raw()),
                           Variant::copyOf(nullText.raw())})
                  .hr,
              S_OK);
    EXPECT_EQ(engine().log().Lines().back(), "Create ");
}

// A telephony failure is not a failing call: the member succeeds and the error record tells.
TEST_F(LineMembers, AFailureSucceedsWithTheErrorRecordSet) {
    engine().SetAddressID(5);  // the device has one address
    EXPECT_EQ(line.get(line_dispid::ErrorNumber).value.toInt32(), LONG(LINEERR_INVALADDRESSID));
    EXPECT_EQ(line.get(line_dispid::ErrorText).value.toString(), "LINEERR_INVALADDRESSID");
    EXPECT_EQ(line.get(line_dispid::ErrorHex).value.toString(), Hex8(LINEERR_INVALADDRESSID));

    // The wave controls' reporter answers False for an error, still with success.
    com::Ptr<TlkPlay> play = com::make<TlkPlay>();
    const com::Dispatch player(com::Ptr<IDispatch>(dispatchOf(play)));
    const com::Outcome reported =
        player.call(DISPID{1}, VARIANT_FALSE, LONG(MMSYSERR_NOTENABLED));  // FillErrorStrings
    ASSERT_EQ(reported.hr, S_OK);
    EXPECT_EQ(reported.value.raw().boolVal, VARIANT_FALSE);
    EXPECT_EQ(player.get(DISPID{43}).value.toInt32(), LONG(MMSYSERR_NOTENABLED));
    EXPECT_EQ(player.get(DISPID{44}).value.toString(), "MMSYSERR_NOTENABLED");
    EXPECT_EQ(player.call(DISPID{1}, VARIANT_FALSE, LONG(0)).value.raw().boolVal, VARIANT_TRUE);
    EXPECT_EQ(player.get(DISPID{44}).value.raw().bstrVal, nullptr);
}

// The wave controls' warning goes on (True) and is logged as a warning, without OnError.
TEST_F(LineMembers, AWaveWarningAnswersGoOnWithoutRaisingOnError) {
    com::Ptr<TlkRecord> record = com::make<TlkRecord>();
    auto sink = com::make<RecordingSink>(DIID_IlkRecordEvents);
    DWORD recordCookie = 0;
    ASSERT_EQ(com::connectSink(dispatchOf(record), DIID_IlkRecordEvents, sink.get(), &recordCookie),
              S_OK);
    const com::Dispatch recorder(com::Ptr<IDispatch>(dispatchOf(record)));
    const com::Outcome warned =
        recorder.call(DISPID{26}, VARIANT_TRUE, LONG(MMSYSERR_NOMEM));  // FillErrorStrings
    ASSERT_EQ(warned.hr, S_OK);
    EXPECT_EQ(warned.value.raw().boolVal, VARIANT_TRUE);
    EXPECT_EQ(recorder.get(DISPID{24}).value.toInt32(), LONG(MMSYSERR_NOMEM));
    EXPECT_EQ(record->engine().log().Lines().back(), "<< Warning >> MMSYSERR_NOMEM [00000007]");
    EXPECT_TRUE(sink->seen.empty());

    EXPECT_EQ(recorder.call(DISPID{26}, VARIANT_FALSE, LONG(MMSYSERR_NOMEM)).value.raw().boolVal,
              VARIANT_FALSE);
    EXPECT_EQ(sink->dispids(), std::vector<DISPID>{2});  // OnError
}

TEST_F(LineMembers, EveryKindOfCommonMemberAnswersByDispid) {
    struct Case {
        const char* what;
        DISPID dispid;
        WORD flags;
        std::vector<Variant> args;
        HRESULT hr;
        VARTYPE vt;
        LONG value;
    };
    const Case cases[] = {
        {"log count put",
         line_dispid::VantageLogCount,
         DISPATCH_PROPERTYPUT,
         {Variant(LONG(7))},
         S_OK,
         VT_EMPTY,
         0},
        {"log count get", line_dispid::VantageLogCount, DISPATCH_PROPERTYGET, {}, S_OK, VT_I4, 7},
        {"events get", line_dispid::VantageEvents, DISPATCH_PROPERTYGET, {}, S_OK, VT_BOOL, -1},
        {"devenv put",
         line_dispid::VantageDevEnv,
         DISPATCH_PROPERTYPUT,
         {Variant(LONG(deDelphi))},
         S_OK,
         VT_EMPTY,
         0},
        {"devenv get", line_dispid::VantageDevEnv, DISPATCH_PROPERTYGET, {}, S_OK, VT_I4, deDelphi},
        {"window state get",
         line_dispid::VantageWindowState,
         DISPATCH_PROPERTYGET,
         {},
         S_OK,
         VT_I4,
         wsNormal},
        {"visible get", line_dispid::Visible, DISPATCH_PROPERTYGET, {}, S_OK, VT_BOOL, -1},
        {"visible put",
         line_dispid::Visible,
         DISPATCH_PROPERTYPUT,
         {Variant(false)},
         S_OK,
         VT_EMPTY,
         0},
        {"visible again", line_dispid::Visible, DISPATCH_PROPERTYGET, {}, S_OK, VT_BOOL, 0},
        {"enabled get", DISPID_ENABLED, DISPATCH_PROPERTYGET, {}, S_OK, VT_BOOL, -1},
        {"cursor put",
         line_dispid::Cursor,
         DISPATCH_PROPERTYPUT,
         {Variant(SHORT(-11))},
         S_OK,
         VT_EMPTY,
         0},
        {"cursor get", line_dispid::Cursor, DISPATCH_PROPERTYGET, {}, S_OK, VT_I2, -11},
        {"double buffered put 5",
         line_dispid::DoubleBuffered,
         DISPATCH_PROPERTYPUT,
         {truth(5)},
         S_OK,
         VT_EMPTY,
         0},
        {"double buffered get",
         line_dispid::DoubleBuffered,
         DISPATCH_PROPERTYGET,
         {},
         S_OK,
         VT_BOOL,
         -1},
        {"dock clients",
         line_dispid::VisibleDockClientCount,
         DISPATCH_PROPERTYGET,
         {},
         S_OK,
         VT_I4,
         0},
        {"dock clients are read-only",
         line_dispid::VisibleDockClientCount,
         DISPATCH_PROPERTYPUT,
         {Variant(LONG(1))},
         DISP_E_MEMBERNOTFOUND,
         VT_EMPTY,
         0},
        {"right to left", line_dispid::IsRightToLeft, DISPATCH_METHOD, {}, S_OK, VT_BOOL, 0},
        {"reading flags",
         line_dispid::DrawTextBiDiModeFlagsReadingOnly,
         DISPATCH_METHOD,
         {},
         S_OK,
         VT_I4,
         0},
        {"initiate action", line_dispid::InitiateAction, DISPATCH_METHOD, {}, S_OK, VT_EMPTY, 0},
        {"designer update", line_dispid::DesignerUpdate, DISPATCH_METHOD, {}, S_OK, VT_EMPTY, 0},
        {"error number", line_dispid::ErrorNumber, DISPATCH_PROPERTYGET, {}, S_OK, VT_I4, 0},
        {"no such member", 1, DISPATCH_PROPERTYGET, {}, DISP_E_MEMBERNOTFOUND, VT_EMPTY, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const com::Outcome outcome = line.invoke(c.dispid, c.flags, c.args);
        ASSERT_EQ(outcome.hr, c.hr);
        ASSERT_EQ(outcome.value.vt(), c.vt);
        if (c.vt != VT_EMPTY) {
            EXPECT_EQ(outcome.value.toInt32(), c.value);
        }
    }
    EXPECT_EQ(engine().log().Count(), 7);
    EXPECT_EQ(engine().Vantage().DevEnv(), deDelphi);
}

// An enumeration is range-checked before it reaches the engine, which would otherwise use it to
// pick a syntax or a window state.
TEST_F(LineMembers, RefusesEnumerationValuesOutsideTheirRange) {
    struct Case {
        DISPID dispid;
        LONG value;
        bool accepted;
    };
    static constexpr Case cases[] = {
        {line_dispid::VantageDevEnv, 4, false},       {line_dispid::VantageDevEnv, -1, false},
        {line_dispid::VantageDevEnv, deOther, true},  {line_dispid::VantageWindowState, 3, false},
        {line_dispid::VantageWindowState, -1, false}, {line_dispid::VantageWindowState, 2, true},
    };
    engine().Vantage().SetDevEnv(deCppBuilder);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.dispid) + " := " + std::to_string(c.value));
        const TxDevEnv before = engine().Vantage().DevEnv();
        const com::Outcome outcome =
            line.invoke(c.dispid, DISPATCH_PROPERTYPUT, {Variant(LONG(c.value))});
        if (c.accepted) {
            EXPECT_EQ(outcome.hr, S_OK);
            continue;
        }
        EXPECT_EQ(outcome.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(outcome.scode, E_UNEXPECTED);
        EXPECT_EQ(outcome.error, "Invalid property value");
        EXPECT_EQ(engine().Vantage().DevEnv(), before);
    }
    EXPECT_EQ(engine().Vantage().DevEnv(), deOther);
}

TEST_F(LineMembers, InitCtrlTakesOnlyTheControlsOwnKind) {
    const std::size_t lines = engine().log().Lines().size();
    const com::Outcome refused =
        line.call(line_dispid::InitCtrl, LONG(lkKindRecord), "TLKRECORD", "lkRecord");
    EXPECT_EQ(refused.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(refused.error, "Invalid control type");
    EXPECT_EQ(engine().kind(), lkKindLine);
    EXPECT_EQ(engine().log().Lines().size(), lines);

    ASSERT_EQ(line.call(line_dispid::InitCtrl, LONG(lkKindLine), "TLKLINE", "lkLine2").hr, S_OK);
    const TlkStringList& log = engine().log().Lines();
    ASSERT_EQ(log.size(), lines + 2);
    EXPECT_EQ(log[lines], "Quillonv3.60");
    EXPECT_EQ(log[lines + 1], "Create lkLine2");
}

TEST_F(LineMembers, FillErrorStringsSetsAndClearsTheErrorRecord) {
    ASSERT_EQ(line.call(line_dispid::FillErrorStrings, LONG(LINEERR_INVALLINESTATE)).hr, S_OK);
    EXPECT_EQ(line.get(line_dispid::ErrorText).value.toString(), "LINEERR_INVALLINESTATE");
    EXPECT_EQ(line.get(line_dispid::ErrorHex).value.toString(), "8000002C");
    ASSERT_EQ(line.call(line_dispid::FillErrorStrings, LONG(0)).hr, S_OK);
    EXPECT_EQ(line.get(line_dispid::ErrorNumber).value.toInt32(), 0);
    EXPECT_EQ(line.get(line_dispid::ErrorText).value.raw().bstrVal, nullptr);
}

// Stored values reach only the browsable read-write members, before the engine's Loaded step.
TEST_F(LineMembers, APropertyBagSetsBrowsableMembersOnly) {
    auto bag = com::make<com::PropertyBag>();
    bag->set("VantageLogCount", Variant(LONG(12)));
    bag->set("VantageEvents", Variant(false));    // non-browsable: not persisted, not loaded
    bag->set("VantageDevEnv", Variant(LONG(9)));  // refused by the member: skipped
    ASSERT_EQ(com::loadProperties(dispatchOf(control), bag.get()), S_OK);
    EXPECT_EQ(engine().log().Count(), 12);
    EXPECT_TRUE(engine().Vantage().Events());
    EXPECT_EQ(engine().Vantage().DevEnv(), deVisualBasic);
}

TEST_F(LineMembers, LoadingTheStoredTimeStampSwitchAddsNoLogLine) {
    const std::size_t lines = engine().log().Lines().size();
    auto bag = com::make<com::PropertyBag>();
    bag->set("VantageLogTimeStamp", Variant(true));
    ASSERT_EQ(com::loadProperties(dispatchOf(control), bag.get()), S_OK);
    EXPECT_TRUE(engine().log().TimeStamp());
    EXPECT_EQ(engine().log().Lines().size(), lines);
}

// ---- IStrings ----

TEST_F(LineMembers, TheLogLinesAreOneLiveWritableList) {
    const com::Ptr<IDispatch> first = listOf(line.get(line_dispid::VantageLogLines));
    const com::Ptr<IDispatch> second = listOf(line.get(line_dispid::VantageLogLines));
    ASSERT_TRUE(first);
    EXPECT_EQ(first.get(), second.get());

    const com::Dispatch lines(first);
    const LONG count = *lines.get(strings_dispid::Count).value.toInt32();
    EXPECT_EQ(count, static_cast<LONG>(engine().log().Lines().size()));
    engine().log().Add(1, "Something new");
    EXPECT_EQ(lines.get(strings_dispid::Count).value.toInt32(), count + 1);
    EXPECT_EQ(lines.get(strings_dispid::ControlDefault, LONG(count)).value.toString(),
              "Something new");
    EXPECT_EQ(lines.get(strings_dispid::Item, LONG(0)).value.toString(), "Quillonv3.60");

    EXPECT_EQ(
        lines.invoke(strings_dispid::Item, DISPATCH_PROPERTYPUT, {Variant(LONG(0)), "first"}).hr,
        S_OK);
    EXPECT_EQ(lines.call(strings_dispid::Add, "last").value.toInt32(), count + 1);
    EXPECT_EQ(lines.call(strings_dispid::Remove, LONG(1)).hr, S_OK);
    EXPECT_EQ(engine().log().Lines().front(), "first");
    EXPECT_EQ(engine().log().Lines().back(), "last");
    EXPECT_EQ(lines.call(strings_dispid::Clear).hr, S_OK);
    EXPECT_TRUE(engine().log().Lines().empty());

    const com::Outcome beyond = lines.get(strings_dispid::Item, LONG(0));
    EXPECT_EQ(beyond.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(beyond.error, "List index out of bounds (0)");
}

TEST_F(LineMembers, AnEngineListIsReadOnlyAndFailsCleanlyOnceTheControlIsGone) {
    const com::Ptr<IDispatch> view =
        com::Ptr<IDispatch>::attach(control->listView(engine().Device.List));
    EXPECT_EQ(com::Ptr<IDispatch>::attach(control->listView(engine().Device.List)).get(),
              view.get());
    const com::Dispatch devices(view);
    ASSERT_EQ(devices.get(strings_dispid::Count).value.toInt32(), 4);
    engine().Device.List.push_back("Added later");
    EXPECT_EQ(devices.get(strings_dispid::Item, LONG(4)).value.toString(), "Added later");

    struct Case {
        const char* what;
        DISPID dispid;
        WORD flags;
        std::vector<Variant> args;
    };
    const Case writes[] = {
        {"put", strings_dispid::ControlDefault, DISPATCH_PROPERTYPUT, {Variant(LONG(0)), "x"}},
        {"add", strings_dispid::Add, DISPATCH_METHOD, {Variant("x")}},
        {"remove", strings_dispid::Remove, DISPATCH_METHOD, {Variant(LONG(0))}},
        {"clear", strings_dispid::Clear, DISPATCH_METHOD, {}},
    };
    for (const Case& c : writes) {
        SCOPED_TRACE(c.what);
        const com::Outcome outcome = devices.invoke(c.dispid, c.flags, c.args);
        EXPECT_EQ(outcome.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(outcome.scode, E_ACCESSDENIED);
    }
    EXPECT_EQ(engine().Device.List.size(), 5u);

    line = com::Dispatch();
    control.reset();
    const com::Outcome gone = devices.get(strings_dispid::Count);
    EXPECT_EQ(gone.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(gone.scode, E_UNEXPECTED);
    EXPECT_EQ(gone.error, "The list no longer exists");
}

// ---- The four controls ----

TEST(ControlTables, EachControlHasTheCommonMembersUnderItsOwnDispids) {
    struct Row {
        const char* name;
        DISPID dispids[4];  // Line, Phone, Play, Record
    };
    // Typed from the interface description, apart from the generated tables.
    static constexpr Row rows[] = {
        {"VantageVisible", {216, 103, 66, 56}}, {"VantageLogLines", {212, 99, 62, 52}},
        {"ErrorNumber", {193, 80, 43, 24}},     {"ErrorText", {194, 81, 44, 25}},
        {"Enabled", {-514, -514, -514, 22}},    {"Cursor", {228, 115, 78, 9}},
        {"InitCtrl", {190, 77, 40, 27}},        {"FillErrorStrings", {2, 1, 1, 26}},
    };
    const std::span<const ControlClass> factories = controlClasses();
    ASSERT_EQ(factories.size(), 4u);
    for (std::size_t k = 0; k < factories.size(); ++k) {
        SCOPED_TRACE(std::string(factories[k].identity.className));
        com::Ptr<IDispatch> control;
        ASSERT_EQ(factories[k].create(factories[k].identity.iid, control.putVoid()), S_OK);
        com::Ptr<ITypeInfo> info;
        ASSERT_EQ(control->GetTypeInfo(0, 0, info.put()), S_OK);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(attr->guid, factories[k].identity.iid);
        info->ReleaseTypeAttr(attr);
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            EXPECT_EQ(dispidOf(com::Dispatch(control), row.name), row.dispids[k]);
        }
    }
}

TEST(ControlTables, DispidsAreUniqueAndFlagsFollowTheirGroups) {
    const com::TypeTable* tables[] = {&TlkLine::typeTable(), &TlkPlay::typeTable()};
    for (const com::TypeTable* table : tables) {
        SCOPED_TRACE(std::string(table->name));
        std::set<DISPID> seen;
        for (const com::Member& member : table->members)
            EXPECT_TRUE(seen.insert(member.dispid).second) << member.name;
        const auto flagsOf = [&](std::string_view name) {
            return com::findMember(*table, name)->details.flags;
        };
        EXPECT_EQ(flagsOf("VantageVisible"), 0);
        EXPECT_EQ(flagsOf("VantageEvents"), FUNCFLAG_FNONBROWSABLE);
        EXPECT_EQ(flagsOf("Enabled"), FUNCFLAG_FHIDDEN | FUNCFLAG_FNONBROWSABLE);
        EXPECT_EQ(flagsOf("IsRightToLeft"), FUNCFLAG_FHIDDEN);
        EXPECT_EQ(flagsOf("InitCtrl"), FUNCFLAG_FRESTRICTED);
    }
}

class Controls : public ::testing::Test {
  protected:
    Controls() {
        tapi::exchange().reset();
        setLkDeviceActiveRequested(false);
    }
    ~Controls() override { tapi::exchange().reset(); }

    OwnProgramFolder folder;
    core::VirtualTime time;
};

void expectControlInterfaces(const com::Ptr<IUnknown>& control, const ControlIdentity& identity) {
    EXPECT_TRUE(control.query<IConnectionPointContainer>());
    const com::Ptr<ISupportErrorInfo> errors = control.query<ISupportErrorInfo>();
    ASSERT_TRUE(errors);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(identity.iid), S_OK);
    const com::Ptr<IPersistPropertyBag> persist = control.query<IPersistPropertyBag>();
    ASSERT_TRUE(persist);
    CLSID clsid{};
    ASSERT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, identity.clsid);
    com::Ptr<IUnknown> dual;
    ASSERT_EQ(control->QueryInterface(identity.iid, dual.putVoid()), S_OK);

    // The engine logged its creation under the control's name.
    const com::Dispatch dispatch = com::Dispatch::from(control.get());
    const com::Dispatch log(listOf(dispatch.get(dispidOf(dispatch, "VantageLogLines"))));
    EXPECT_EQ(log.get(strings_dispid::Item, LONG(1)).value.toString(),
              "Create " + std::string(identity.className));
}

// What a container asks of every control, and the count that keeps the library loaded.
TEST_F(Controls, EachFactoryMakesItsControlOverAnEngineOfItsKind) {
    for (const ControlClass& factory : controlClasses()) {
        SCOPED_TRACE(std::string(factory.identity.className));
        const LONG before = serverModule().count();
        com::Ptr<IUnknown> control;
        ASSERT_EQ(factory.create(IID_IUnknown, control.putVoid()), S_OK);
        EXPECT_EQ(serverModule().count(), before + 1);
        expectControlInterfaces(control, factory.identity);
        control.reset();
        EXPECT_EQ(serverModule().count(), before);
    }
}

TEST_F(LineMembers, TheLastReleaseDestroysTheEngine) {
    const TlkLifeGuard engineLife = engine().lifeGuard();
    com::Ptr<IDispatch> second(dispatchOf(control));
    line = com::Dispatch();
    control.reset();
    EXPECT_TRUE(engineLife.alive());
    second.reset();
    EXPECT_FALSE(engineLife.alive());
}

}  // namespace
}  // namespace lkLK36::testing
