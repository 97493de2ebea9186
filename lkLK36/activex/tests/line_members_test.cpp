// The Line control's own members: where each kind of member stands in the interface, every
// property reaching the engine's property of its name, and the members a container calls,
// driven through IDispatch::Invoke over the simulated exchange.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "lkLK36/activex/tests/control_test_support.h"
#include "lkLK36/engines/lkLKConst.h"
#include "platform/com/property_bag.h"

namespace lkLK36::testing {
namespace {

using namespace std::chrono_literals;
using com::Variant;

// The published member lists of IlkLine by kind, typed apart from the control's own table.
constexpr DISPID kReadWrite[] = {
    119, 120, 121, 122, 123, 124, 126, 127, 128, 129, 130, 131, 132, 133, 134, 136, 137, 138, 144,
    145, 147, 148, 149, 178, 179, 180, 187, 188, 189, 229, 230, 231, 232, 233, 234, 287, 288, 289,
    290, 291, 292, 293, 294, 295, 296, 297, 298, 315, 316, 317, 318, 319, 320, 326, 327, 328, 329};
constexpr DISPID kReadWriteNonBrowsable[] = {
    32,  34,  58,  60,  64,  116, 118, 135, 139, 140, 143, 150, 151, 152, 153, 154, 155, 156,
    157, 158, 159, 160, 161, 162, 163, 164, 165, 166, 167, 168, 169, 170, 171, 172, 173, 174,
    175, 176, 177, 182, 186, 277, 284, 299, 302, 303, 305, 306, 309, 310, 312, 314};
constexpr DISPID kReadOnly[] = {
    21,  22,  23,  24,  25,  26,  27,  28,  29,  30,  31,  33,  35,  36,  37,  38,  39,  40,  41,
    42,  43,  44,  45,  46,  47,  48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  59,  61,  62,
    63,  65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  77,  78,  79,  80,  81,  82,
    83,  84,  85,  86,  87,  88,  89,  90,  91,  92,  93,  94,  95,  96,  97,  98,  99,  100, 101,
    102, 115, 117, 125, 141, 142, 146, 181, 183, 184, 185, 244, 245, 246, 247, 248, 249, 250, 251,
    252, 253, 254, 255, 256, 257, 258, 259, 260, 261, 262, 263, 264, 265, 266, 267, 269, 270, 271,
    272, 273, 274, 300, 301, 304, 307, 308, 311, 313, 321, 322, 323, 324, 325};
constexpr DISPID kMethods[] = {3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  16,
                               17,  18,  19,  20,  103, 104, 105, 106, 107, 108, 109, 110, 111, 112,
                               113, 114, 191, 202, 219, 223, 224, 235, 236, 237, 238, 239, 240, 241,
                               242, 243, 268, 275, 276, 278, 279, 280, 281, 282, 283, 285, 286};
static_assert(std::size(kReadWrite) == 57 && std::size(kReadWriteNonBrowsable) == 52 &&
              std::size(kReadOnly) == 129 && std::size(kMethods) == 55);
constexpr std::size_t kCommonMembers = 29;

enum class Kind { ReadWrite, ReadOnly, Method };

Kind kindOf(const com::Member& member) {
    if (member.method.declared)
        return Kind::Method;
    return member.put.declared ? Kind::ReadWrite : Kind::ReadOnly;
}

TEST(LineTable, HoldsTheCommonMembersAndTheLinesOwnWithTheirKinds) {
    const com::TypeTable& table = TlkLine::typeTable();
    EXPECT_EQ(table.members.size(), kCommonMembers + 293);
    std::set<DISPID> seen;
    for (const com::Member& member : table.members)
        EXPECT_TRUE(seen.insert(member.dispid).second) << member.name;

    struct Group {
        std::span<const DISPID> dispids;
        Kind kind;
        WORD flags;
    };
    const Group groups[] = {{kReadWrite, Kind::ReadWrite, 0},
                            {kReadWriteNonBrowsable, Kind::ReadWrite, FUNCFLAG_FNONBROWSABLE},
                            {kReadOnly, Kind::ReadOnly, FUNCFLAG_FNONBROWSABLE},
                            {kMethods, Kind::Method, 0}};
    for (const Group& group : groups) {
        for (DISPID dispid : group.dispids) {
            SCOPED_TRACE(dispid);
            const com::Member* member = com::findMember(table, dispid);
            ASSERT_TRUE(member);
            EXPECT_EQ(kindOf(*member), group.kind) << member->name;
            EXPECT_EQ(member->details.flags, group.flags) << member->name;
        }
    }
}

// The members the container program calls, by DISPID, with their kinds and types.
struct ContainerMember {
    DISPID dispid;
    const char* name;
    Kind kind;
    VARTYPE vt;
};
constexpr ContainerMember kContainerMembers[] = {
    {32, "CallActive", Kind::ReadWrite, VT_BOOL},
    {42, "CallCallerIDBlocked", Kind::ReadOnly, VT_BOOL},
    {43, "CallCallerIDFlags", Kind::ReadOnly, VT_I4},
    {44, "CallCallerIDName", Kind::ReadOnly, VT_BSTR},
    {45, "CallCallerIDNumber", Kind::ReadOnly, VT_BSTR},
    {46, "CallCallerIDOutOfArea", Kind::ReadOnly, VT_BOOL},
    {60, "CallMediaMode", Kind::ReadWrite, VT_I4},
    {64, "CallOwner", Kind::ReadWrite, VT_BOOL},
    {97, "TAPITSP", Kind::ReadOnly, VT_BSTR},
    {102, "WaveRecordID", Kind::ReadOnly, VT_I4},
    {103, "CallAnswer", Kind::Method, VT_BOOL},
    {104, "CallDial", Kind::Method, VT_BOOL},
    {106, "CallHangup", Kind::Method, VT_BOOL},
    {122, "CallCallerIDMaskNumber", Kind::ReadWrite, VT_BSTR},
    {135, "CallPhoneNumber", Kind::ReadWrite, VT_BSTR},
    {139, "DeviceActive", Kind::ReadWrite, VT_BOOL},
    {140, "DeviceName", Kind::ReadWrite, VT_BSTR},
    {141, "DeviceCount", Kind::ReadOnly, VT_I4},
    {142, "DeviceList", Kind::ReadOnly, VT_DISPATCH},
    {178, "PrivilegeMonitor", Kind::ReadWrite, VT_BOOL},
    {180, "PrivilegeOwner", Kind::ReadWrite, VT_BOOL},
    {193, "ErrorNumber", Kind::ReadOnly, VT_I4},
    {194, "ErrorText", Kind::ReadOnly, VT_BSTR},
};

namespace container {
constexpr DISPID CallActive = 32, CallCallerIDBlocked = 42, CallCallerIDFlags = 43,
                 CallCallerIDName = 44, CallCallerIDNumber = 45, CallCallerIDOutOfArea = 46,
                 CallMediaMode = 60, CallOwner = 64, TAPITSP = 97, WaveRecordID = 102,
                 CallAnswer = 103, CallDial = 104, CallHangup = 106, CallCallerIDMaskNumber = 122,
                 CallPhoneNumber = 135, DeviceActive = 139, DeviceName = 140, DeviceCount = 141,
                 DeviceList = 142, PrivilegeMonitor = 178, PrivilegeOwner = 180, ErrorNumber = 193,
                 ErrorText = 194;
constexpr DISPID OnCallerID = 5, OnIdle = 17;
}  // namespace container

using LineOwnMembers = LineControlTest;

// Each member answers by its DISPID with its type; a read-write one takes back what it gave, a
// read-only one refuses a put.
TEST_F(LineOwnMembers, EveryMemberTheContainerCallsAnswersByItsDispidWithItsType) {
    for (const ContainerMember& m : kContainerMembers) {
        SCOPED_TRACE(m.name);
        EXPECT_EQ(dispidOf(line, m.name), m.dispid);
        if (m.kind == Kind::Method) {
            const com::Outcome result = line.call(m.dispid);
            EXPECT_EQ(result.hr, S_OK);
            EXPECT_EQ(result.value.vt(), m.vt);
            continue;
        }
        const com::Outcome read = line.get(m.dispid);
        ASSERT_EQ(read.hr, S_OK);
        EXPECT_EQ(read.value.vt(), m.vt);
        const HRESULT put =
            line.invoke(m.dispid, DISPATCH_PROPERTYPUT, {Variant::copyOf(read.value.raw())}).hr;
        EXPECT_EQ(put, m.kind == Kind::ReadWrite ? S_OK : DISP_E_MEMBERNOTFOUND);
    }
}

tapi::IncomingCall annSmith() {
    tapi::IncomingCall call;
    call.number = "01632960123";
    call.name = "ANN SMITH";
    return call;
}

// The container's road: choose a line by name, open it with the privileges, read the caller
// inside OnCallerID, answer, hang up, then dial out.
TEST_F(LineOwnMembers, AContainerTakesACallAndDialsOutThroughItsMembers) {
    using namespace container;
    EXPECT_EQ(line.get(DeviceCount).value.toInt32(), 4);
    const com::Dispatch devices(line.get(DeviceList).value.toDispatch());
    const std::string second =
        devices.get(strings_dispid::ControlDefault, LONG(1)).value.toString().value_or("");
    ASSERT_FALSE(second.empty());
    ASSERT_EQ(line.put(DeviceName, second), S_OK);
    EXPECT_EQ(line.get(DeviceName).value.toString(), second);

    ASSERT_EQ(line.put(PrivilegeOwner, true), S_OK);
    ASSERT_EQ(line.put(PrivilegeMonitor, true), S_OK);
    ASSERT_EQ(line.put(CallCallerIDMaskNumber, ""), S_OK);
    ASSERT_EQ(line.put(DeviceActive, true), S_OK);
    EXPECT_EQ(line.get(DeviceActive).value.raw().boolVal, VARIANT_TRUE);
    EXPECT_FALSE(line.get(TAPITSP).value.toString().value_or("").empty());
    EXPECT_EQ(line.get(WaveRecordID).value.vt(), VT_I4);
    // A setter the engine refuses: success at the interface, the value kept, the error recorded.
    EXPECT_EQ(line.put(PrivilegeOwner, false), S_OK);
    EXPECT_EQ(line.get(PrivilegeOwner).value.raw().boolVal, VARIANT_TRUE);
    EXPECT_EQ(line.get(ErrorNumber).value.toInt32(), LONG(LINEERR_INVALLINESTATE));

    struct Caller {
        std::string number, name;
        VARIANT_BOOL blocked = VARIANT_TRUE, outOfArea = VARIANT_TRUE;  // until read
        LONG flags = 0;
    } seen;
    const auto sink = connect();
    sink->during = [&](DISPID dispid, DISPPARAMS&) {
        if (dispid != OnCallerID)
            return;
        seen.number = line.get(CallCallerIDNumber).value.toString().value_or("");
        seen.name = line.get(CallCallerIDName).value.toString().value_or("");
        seen.blocked = line.get(CallCallerIDBlocked).value.raw().boolVal;
        seen.outOfArea = line.get(CallCallerIDOutOfArea).value.raw().boolVal;
        seen.flags = line.get(CallCallerIDFlags).value.toInt32().value_or(0);
    };
    ASSERT_NE(tapi::exchange().ring(1, annSmith()), 0u);
    time.advance(2s);
    ASSERT_TRUE(sink->first(OnCallerID));
    EXPECT_EQ(seen.number, "01632960123");
    EXPECT_EQ(seen.name, "Ann Smith");
    EXPECT_EQ(seen.blocked, VARIANT_FALSE);
    EXPECT_EQ(seen.outOfArea, VARIANT_FALSE);
    EXPECT_NE(seen.flags & LINECALLPARTYID_ADDRESS, 0);

    EXPECT_EQ(line.call(CallAnswer).value.raw().boolVal, VARIANT_TRUE);
    EXPECT_EQ(line.get(CallOwner).value.raw().boolVal, VARIANT_TRUE);
    EXPECT_EQ(line.put(CallMediaMode, LONG(0)), S_OK);
    EXPECT_EQ(line.call(CallHangup).value.raw().boolVal, VARIANT_TRUE);
    time.advance(1s);
    EXPECT_TRUE(sink->first(OnIdle));
    EXPECT_EQ(line.get(ErrorNumber).value.toInt32(), 0);

    ASSERT_EQ(line.put(CallPhoneNumber, "01632960999"), S_OK);
    EXPECT_EQ(line.call(CallDial).value.raw().boolVal, VARIANT_TRUE);
    EXPECT_EQ(line.get(CallActive).value.raw().boolVal, VARIANT_TRUE);
    EXPECT_EQ(line.call(CallHangup).value.raw().boolVal, VARIANT_TRUE);
    time.advance(1s);

    // With no call left, answering fails: success at the interface, False and the error record.
    EXPECT_EQ(line.call(CallAnswer).value.raw().boolVal, VARIANT_FALSE);
    EXPECT_NE(line.get(ErrorNumber).value.toInt32(), 0);
    EXPECT_FALSE(line.get(ErrorText).value.toString().value_or("").empty());
}

// Each property gives what the engine's property of the same name holds, in the automation type
// of the engine's value, and is writable exactly when the engine's is.
TEST_F(LineOwnMembers, EveryPropertyReachesTheEnginePropertyOfItsName) {
    engine().SetDeviceActive(true);
    ASSERT_NE(tapi::exchange().ring(0, annSmith()), 0u);
    time.advance(2s);
    engine().Device.Capabilities.DevSpecific = "caps";

    const auto& members = TlkLine::typeTable().members;
    for (std::size_t i = kCommonMembers; i < members.size(); ++i) {
        const com::Member& member = members[i];
        if (member.method.declared)
            continue;
        SCOPED_TRACE(member.name);
        const TlkLineProperty* property = FindLineProperty(member.name);
        ASSERT_TRUE(property);
        EXPECT_EQ(member.put.declared, property->Put != nullptr);
        const com::Outcome read = line.get(member.dispid);
        ASSERT_EQ(read.hr, S_OK);
        const TlkPropertyValue value = property->Get(engine());
        const VARIANT& got = read.value.raw();
        if (const bool* flag = std::get_if<bool>(&value)) {
            ASSERT_EQ(got.vt, VT_BOOL);
            EXPECT_EQ(got.boolVal, *flag ? VARIANT_TRUE : VARIANT_FALSE);
        } else if (const LONG* number = std::get_if<LONG>(&value)) {
            ASSERT_EQ(got.vt, VT_I4);
            EXPECT_EQ(got.lVal, *number);
        } else if (const double* date = std::get_if<double>(&value)) {
            ASSERT_EQ(got.vt, VT_R8);
            EXPECT_EQ(got.dblVal, *date);
        } else if (const std::string* text = std::get_if<std::string>(&value)) {
            ASSERT_EQ(got.vt, VT_BSTR);
            EXPECT_EQ(com::utf8FromBstr(got.bstrVal), *text);
        } else {
            const TlkStringList* list = std::get<const TlkStringList*>(value);
            ASSERT_EQ(got.vt, VT_DISPATCH);
            EXPECT_EQ(
                com::Dispatch(read.value.toDispatch()).get(strings_dispid::Count).value.toInt32(),
                static_cast<LONG>(list->size()));
        }
    }
}

// What the container stores with each of its Line controls, applied before its own code runs: every
// value reaches the engine, none is skipped as a member the bag may not set.
TEST_F(LineOwnMembers, TheContainersStoredValuesReachTheEngine) {
    struct Stored {
        std::string name;
        Variant value;
    };
    std::vector<Stored> stored = {
        {"PrivilegeMonitor", Variant(true)},
        {"PrivilegeOwner", Variant(true)},
        {"PrivilegeNone", Variant(false)},
        {"DeviceIdleDelay", Variant(LONG(0))},
        {"DeviceTranslatePhoneNumber", Variant(false)},
        {"DeviceUnformatPhoneNumber", Variant(false)},
        {"TAPIReplyTimeout", Variant(LONG(60000))},
        {"CallGatherDigitsActive", Variant(false)},
        {"CallGatherDigitsCount", Variant(LONG(5))},
        {"CallGatherDigitsTerminate", Variant("#*")},
        {"CallGatherDigitsTimeout", Variant(LONG(5000))},
        {"CallMonitorDigitsActive", Variant(false)},
        {"CallMonitorMediaModesActive", Variant(false)},
        {"CallMonitorSilenceActive", Variant(false)},
        {"CallMonitorMediaModesMediaModes", Variant(LONG(0))},
        {"CallMonitorSilenceDuration", Variant(LONG(0))},
        {"CommEnabled", Variant(false)},
        {"CommDeviceClass", Variant("comm/datamodem")},
        {"WavePlayDeviceClass", Variant("wave/out")},
        {"WaveRecordDeviceClass", Variant("wave/in")},
        {"PhoneDeviceClass", Variant("tapi/phone")},
    };
    for (const char* party : {"Caller", "Called", "Connected", "Redirecting", "Redirection"}) {
        stored.push_back({std::string("Call") + party + "IDFormatName", Variant(true)});
        stored.push_back({std::string("Call") + party + "IDMaskNumber", Variant("000-000-0000;0")});
    }
    for (const char* group : {"Call", "Transfer", "Conference", "AddressForward"}) {
        const std::string prefix = std::string(group) + "Parameters";
        stored.push_back({prefix + "Defaults", Variant(true)});
        stored.push_back({prefix + "BearerMode", Variant(LONG(1))});
        stored.push_back({prefix + "MediaMode", Variant(LONG(4))});
        stored.push_back({prefix + "AddressID", Variant(LONG(0))});
        stored.push_back({prefix + "Flags", Variant(LONG(0))});
        stored.push_back({prefix + "NoAnswerTimeout", Variant(LONG(0))});
    }

    auto bag = com::make<com::PropertyBag>();
    for (const Stored& s : stored)
        bag->set(s.name, s.value);
    ASSERT_EQ(com::loadProperties(dispatchOf(control), bag.get()), S_OK);
    for (const Stored& s : stored) {
        SCOPED_TRACE(s.name);
        const com::Member* member = com::findMember(TlkLine::typeTable(), s.name);
        ASSERT_TRUE(member);
        EXPECT_TRUE(member->put.declared);
        EXPECT_EQ(member->details.flags, 0);
        const com::Outcome read = line.get(member->dispid);
        ASSERT_EQ(read.value.vt(), s.value.vt());
        EXPECT_EQ(read.value.toString(), s.value.toString());
    }
    EXPECT_EQ(engine().Conference.Parameters.MediaMode, 4);
    EXPECT_EQ(engine().Address.Forward.Parameters.BearerMode, 1);
}

TEST_F(LineOwnMembers, StringMembersNameTheConstantsOfTheirFamily) {
    struct Case {
        const char* member;
        std::vector<LONG> args;
        const char* name;  // null: the empty text, as the null BSTR
    };
    const Case cases[] = {
        {"StringLINEERR", {LONG(LINEERR_INVALADDRESSID)}, "LINEERR_INVALADDRESSID"},
        {"StringLINEERR", {0}, nullptr},
        {"StringLINECALLSTATE", {LONG(LINECALLSTATE_OFFERING)}, "LINECALLSTATE_OFFERING"},
        {"StringLINECALLSTATEMODE",
         {LONG(LINECALLSTATE_BUSY), LONG(LINEBUSYMODE_STATION)},
         "LINEBUSYMODE_STATION"},
        {"StringLINECALLSTATEMODE", {LONG(LINECALLSTATE_CONNECTED), 1}, "Not applicable"},
        {"StringLINEMEDIAMODE", {LONG(LINEMEDIAMODE_DATAMODEM)}, "LINEMEDIAMODE_DATAMODEM"},
        {"StringLINEFEATURE", {0x40000000}, "LINEFEATURE_???"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.member);
        std::vector<Variant> args;
        for (LONG arg : c.args)
            args.emplace_back(arg);
        const com::Outcome result =
            line.invoke(dispidOf(line, c.member), DISPATCH_METHOD, std::move(args));
        ASSERT_EQ(result.hr, S_OK);
        ASSERT_EQ(result.value.vt(), VT_BSTR);
        if (c.name)
            EXPECT_EQ(result.value.toString(), c.name);
        else
            EXPECT_EQ(result.value.raw().bstrVal, nullptr);
    }
    EXPECT_EQ(dispidOf(line, "calldial"), 104);
}

// A copy of the device-specific bytes, one character per byte, none lost to a text conversion.
TEST_F(LineOwnMembers, DeviceSpecificBytesComeOutAsACopyOfEveryByte) {
    constexpr DISPID kDevSpecific = 264, kDevSpecificSize = 87;
    EXPECT_EQ(line.get(kDevSpecific).value.raw().bstrVal, nullptr);

    engine().Device.Capabilities.DevSpecific = std::string("\x00\x7f\x80\xff", 4);
    const com::Outcome read = line.get(kDevSpecific);
    engine().Device.Capabilities.DevSpecific.clear();
    ASSERT_EQ(read.value.vt(), VT_BSTR);
    const BSTR bytes = read.value.raw().bstrVal;
    ASSERT_EQ(SysStringLen(bytes), 4u);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[1], 0x7f);
    EXPECT_EQ(bytes[2], 0x80);
    EXPECT_EQ(bytes[3], 0xff);
    EXPECT_EQ(line.get(kDevSpecificSize).value.toInt32(), 0);
}

TEST_F(LineOwnMembers, EveryReadOfAListAnswersItsOneAdapter) {
    const com::Outcome first = line.get(container::DeviceList);
    const com::Outcome second = line.get(container::DeviceList);
    EXPECT_EQ(first.value.toDispatch().get(), second.value.toDispatch().get());
}

}  // namespace
}  // namespace lkLK36::testing
