// The Phone control's own members and events: where each member stands in IlkPhone, and a
// container driving the handset through IDispatch::Invoke by DISPID while its sink hears the
// events, over the simulated exchange in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <string>
#include <vector>

#include "lkLK36/activex/lkPhoneImpl1.h"
#include "lkLK36/activex/tests/control_test_support.h"
#include "lkLK36/engines/lkLKConst.h"

namespace lkLK36::testing {
namespace {

using namespace std::chrono_literals;
using com::Variant;

// IlkPhone's own members, typed from the interface description, apart from the control's table.
constexpr ExpectedMember kPhone[] = {
    {2, "StringPHONEERR", VT_BSTR, 'm'},
    {3, "StringPHONESTATE", VT_BSTR, 'm'},
    {4, "StringPHONEHOOKSWITCHMODE", VT_BSTR, 'm'},
    {5, "DeviceState", VT_I4, 'r'},
    {6, "DeviceStateDetails", VT_I4, 'r'},
    {7, "HandsetAvailable", VT_BOOL, 'r'},
    {8, "HandsetGainAvailable", VT_BOOL, 'r'},
    {9, "HandsetMicrophoneAndSpeaker", VT_BOOL, 'n'},
    {10, "HandsetMicrophoneOnly", VT_BOOL, 'n'},
    {11, "HandsetModes", VT_I4, 'r'},
    {12, "HandsetOnHook", VT_BOOL, 'n'},
    {13, "HandsetSpeakerOnly", VT_BOOL, 'n'},
    {14, "HandsetVolumeAvailable", VT_BOOL, 'r'},
    {15, "HeadsetAvailable", VT_BOOL, 'r'},
    {16, "HeadsetGainAvailable", VT_BOOL, 'r'},
    {17, "HeadsetMicrophoneAndSpeaker", VT_BOOL, 'n'},
    {18, "HeadsetMicrophoneOnly", VT_BOOL, 'n'},
    {19, "HeadsetModes", VT_I4, 'r'},
    {20, "HeadsetOnHook", VT_BOOL, 'n'},
    {21, "HeadsetSpeakerOnly", VT_BOOL, 'n'},
    {22, "HeadsetVolumeAvailable", VT_BOOL, 'r'},
    {23, "SpeakerphoneAvailable", VT_BOOL, 'r'},
    {24, "SpeakerphoneGainAvailable", VT_BOOL, 'r'},
    {25, "SpeakerphoneMicrophoneAndSpeaker", VT_BOOL, 'n'},
    {26, "SpeakerphoneMicrophoneOnly", VT_BOOL, 'n'},
    {27, "SpeakerphoneModes", VT_I4, 'r'},
    {28, "SpeakerphoneOnHook", VT_BOOL, 'n'},
    {29, "SpeakerphoneSpeakerOnly", VT_BOOL, 'n'},
    {30, "SpeakerphoneVolumeAvailable", VT_BOOL, 'r'},
    {31, "LineAvailable", VT_BOOL, 'r'},
    {32, "LineID", VT_I4, 'r'},
    {33, "PhoneAppHandle", VT_I4, 'r'},
    {34, "PhoneHandle", VT_I4, 'r'},
    {35, "PhoneHookSwitchDevs", VT_I4, 'r'},
    {36, "PhoneStates", VT_I4, 'r'},
    {37, "TAPISubversion", VT_I4, 'r'},
    {38, "TAPITSP", VT_BSTR, 'r'},
    {39, "TAPIVersion", VT_I4, 'r'},
    {40, "WavePlayAvailable", VT_BOOL, 'r'},
    {41, "WavePlayID", VT_I4, 'r'},
    {42, "WaveRecordAvailable", VT_BOOL, 'r'},
    {43, "WaveRecordID", VT_I4, 'r'},
    {44, "DeviceConfigure", VT_BOOL, 'm'},
    {45, "DeviceActive", VT_BOOL, 'n'},
    {46, "DeviceName", VT_BSTR, 'n'},
    {47, "DeviceCount", VT_I4, 'r'},
    {48, "DeviceList", VT_DISPATCH, 'r'},
    {49, "DeviceID", VT_I4, 'n'},
    {50, "HandsetGain", VT_I4, 'n'},
    {51, "HandsetVolume", VT_I4, 'n'},
    {52, "HeadsetGain", VT_I4, 'w'},
    {53, "HeadsetVolume", VT_I4, 'n'},
    {54, "SpeakerphoneGain", VT_I4, 'n'},
    {55, "SpeakerphoneVolume", VT_I4, 'n'},
    {56, "LineDeviceClass", VT_BSTR, 'w'},
    {57, "PopupOnDigitDown", VT_BOOL, 'n'},
    {58, "PopupOnDigitUp", VT_BOOL, 'n'},
    {59, "PopupOnError", VT_BOOL, 'n'},
    {60, "PopupOnHandsetGain", VT_BOOL, 'n'},
    {61, "PopupOnHandsetHookSwitch", VT_BOOL, 'n'},
    {62, "PopupOnHandsetVolume", VT_BOOL, 'n'},
    {63, "PopupOnHeadsetGain", VT_BOOL, 'n'},
    {64, "PopupOnHeadsetHookSwitch", VT_BOOL, 'n'},
    {65, "PopupOnHeadsetVolume", VT_BOOL, 'n'},
    {66, "PopupOnPhoneState", VT_BOOL, 'n'},
    {67, "PopupOnSpeakerphoneGain", VT_BOOL, 'n'},
    {68, "PopupOnSpeakerphoneHookSwitch", VT_BOOL, 'n'},
    {69, "PopupOnSpeakerphoneVolume", VT_BOOL, 'n'},
    {70, "PopupOnTAPIMessage", VT_BOOL, 'n'},
    {71, "PopupOnTAPIReply", VT_BOOL, 'n'},
    {72, "PrivilegeMonitor", VT_BOOL, 'n'},
    {73, "PrivilegeOwner", VT_BOOL, 'n'},
    {74, "TAPIReplyTimeout", VT_I4, 'w'},
    {75, "WavePlayDeviceClass", VT_BSTR, 'w'},
    {76, "WaveRecordDeviceClass", VT_BSTR, 'w'},
};

// DISPIDs a container uses below.
enum : DISPID {
    StringPHONEERR = 2,
    StringPHONESTATE = 3,
    StringPHONEHOOKSWITCHMODE = 4,
    DeviceState = 5,
    HandsetMicrophoneAndSpeaker = 9,
    HandsetOnHook = 12,
    LineID = 32,
    PhoneHandle = 34,
    TAPITSP = 38,
    WaveRecordID = 43,
    DeviceConfigure = 44,
    DeviceActive = 45,
    DeviceName = 46,
    DeviceCount = 47,
    DeviceList = 48,
    HandsetGain = 50,
    HandsetVolume = 51,
    HeadsetGain = 52,
    SpeakerphoneVolume = 55,
    PrivilegeOwner = 73,
    ErrorNumber = 80,
    ErrorText = 81,
};
// IlkPhoneEvents.
enum : DISPID {
    OnDigitDown = 1,
    OnDigitUp = 2,
    OnError = 3,
    OnHandsetHookSwitch = 4,
    OnSpeakerphoneVolume = 9,
    OnPhoneState = 13,
    OnTAPIMessage = 14,
    OnTAPIReply = 15
};

TEST(PhoneTable, HoldsTheCommonMembersAndThePhonesOwnWithTheirKindsAndTypes) {
    checkOwnMembers(TlkPhone::typeTable(), kPhone);
}

// A Phone control as a container makes it, on a fresh exchange, with its own program folder.
class PhoneControl : public ::testing::Test {
  protected:
    PhoneControl() {
        tapi::exchange().reset();
        setLkDeviceActiveRequested(false);
        control = com::make<TlkPhone>();
        phone = com::Dispatch(com::Ptr<IDispatch>(dispatchOf(control)));
    }
    ~PhoneControl() override {
        phone = com::Dispatch();
        control.reset();
        tapi::exchange().reset();
    }

    TlkPhoneInternal& engine() { return control->engine(); }
    com::Ptr<RecordingSink> connect() {
        auto sink = com::make<RecordingSink>(DIID_IlkPhoneEvents);
        EXPECT_EQ(com::connectSink(dispatchOf(control), DIID_IlkPhoneEvents, sink.get(), &cookie),
                  S_OK);
        return sink;
    }
    static bool isTrue(const com::Outcome& read) {
        return read.value.raw().boolVal == VARIANT_TRUE;
    }

    OwnProgramFolder folder;
    core::VirtualTime time;
    com::Ptr<TlkPhone> control;
    com::Dispatch phone;
    DWORD cookie = 0;
};

TEST_F(PhoneControl, EveryEventOfTheInterfaceIsHooked) {
    std::vector<DISPID> hooked = control->hookedEvents();
    std::sort(hooked.begin(), hooked.end());
    std::vector<DISPID> all(IlkPhoneEventsTable().members.size());
    std::iota(all.begin(), all.end(), 1);
    EXPECT_EQ(hooked, all);
}

// The container's road: choose the handset by name, open it, lift the handset and set its
// levels, and meet the refusals as errors, not failed calls.
TEST_F(PhoneControl, AContainerDrivesTheHandsetThroughItsMembers) {
    EXPECT_EQ(phone.get(DeviceCount).value.toInt32(), 1);
    const com::Dispatch devices(phone.get(DeviceList).value.toDispatch());
    const std::string name =
        devices.get(strings_dispid::ControlDefault, LONG(0)).value.toString().value_or("");
    EXPECT_EQ(name, "Belltale Handset #1");
    ASSERT_EQ(phone.put(DeviceName, name), S_OK);
    ASSERT_EQ(phone.put(PrivilegeOwner, true), S_OK);
    ASSERT_EQ(phone.put(DeviceActive, true), S_OK);
    EXPECT_TRUE(isTrue(phone.get(DeviceActive)));
    EXPECT_NE(phone.get(PhoneHandle).value.toInt32().value_or(0), 0);
    EXPECT_EQ(phone.get(TAPITSP).value.toString(), "Belltale Phone TSP");
    EXPECT_EQ(phone.get(LineID).value.toInt32(), 0);
    EXPECT_EQ(phone.get(WaveRecordID).value.toInt32(), LONG(tapi::exchange().line(0)->waveIn));

    ASSERT_EQ(phone.put(HandsetMicrophoneAndSpeaker, true), S_OK);
    EXPECT_TRUE(isTrue(phone.get(HandsetMicrophoneAndSpeaker)));
    EXPECT_FALSE(isTrue(phone.get(HandsetOnHook)));
    ASSERT_EQ(phone.put(HandsetVolume, LONG(80)), S_OK);
    ASSERT_EQ(phone.put(HeadsetGain, LONG(20)), S_OK);
    EXPECT_EQ(phone.get(HandsetVolume).value.toInt32(), 80);
    EXPECT_EQ(phone.get(HeadsetGain).value.toInt32(), 20);
    EXPECT_EQ(tapi::exchange().phoneStatus(0).status.dwHandsetVolume, PercentToLevel(80));
    EXPECT_EQ(phone.get(ErrorNumber).value.toInt32(), 0);

    // Refusals: success at the interface, the value kept, the error recorded.
    EXPECT_EQ(phone.put(HandsetMicrophoneAndSpeaker, false), S_OK);
    EXPECT_TRUE(isTrue(phone.get(HandsetMicrophoneAndSpeaker)));
    EXPECT_EQ(phone.get(ErrorText).value.toString(), "PHONEERR_INVALHOOKSWITCHMODE");
    tapi::exchange().setReplyPolicy("phoneSetVolume",
                                    {100, PHONEERR_RESOURCEUNAVAIL, false, false});
    EXPECT_EQ(phone.put(SpeakerphoneVolume, LONG(10)), S_OK);
    EXPECT_EQ(phone.get(SpeakerphoneVolume).value.toInt32(), 50);
    EXPECT_EQ(phone.get(ErrorNumber).value.toInt32(), LONG(PHONEERR_RESOURCEUNAVAIL));

    EXPECT_TRUE(isTrue(phone.call(DeviceConfigure)));
    EXPECT_EQ(phone.get(ErrorNumber).value.toInt32(), 0);
    ASSERT_EQ(phone.put(DeviceActive, false), S_OK);
    EXPECT_EQ(phone.get(PhoneHandle).value.toInt32(), 0);
}

TEST_F(PhoneControl, StringMembersNameTheConstantsOfTheirFamily) {
    struct Case {
        DISPID dispid;
        LONG value;
        const char* name;
    };
    static constexpr Case cases[] = {
        {StringPHONEERR, LONG(PHONEERR_INUSE), "PHONEERR_INUSE"},
        {StringPHONEERR, -3, "Unknown"},
        {StringPHONESTATE, LONG(PHONESTATE_HANDSETHOOKSWITCH), "PHONESTATE_HANDSETHOOKSWITCH"},
        {StringPHONEHOOKSWITCHMODE, LONG(PHONEHOOKSWITCHMODE_MICSPEAKER),
         "PHONEHOOKSWITCHMODE_MICSPEAKER"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(phone.call(c.dispid, c.value).value.toString(), c.name);
    }
}

// The user at the handset, heard by the container's sink by DISPID: a key with its character
// code, the handset lifted, and the raw messages, which pass whatever the event switch says.
TEST_F(PhoneControl, TheHandsetsEventsReachTheSinkByDispid) {
    ASSERT_EQ(phone.put(DeviceActive, true), S_OK);
    time.runUntilIdle();
    const auto sink = connect();
    tapi::exchange().pressPhoneKey(0, '#');
    time.advance(200ms);
    tapi::exchange().setHookSwitch(0, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_MICSPEAKER);
    time.runUntilIdle();
    std::vector<DISPID> events;
    for (DISPID id : sink->dispids()) {
        if (id != OnTAPIMessage)
            events.push_back(id);
    }
    EXPECT_EQ(events,
              (std::vector<DISPID>{OnDigitDown, OnDigitUp, OnPhoneState, OnHandsetHookSwitch}));
    const SeenEvent* down = sink->first(OnDigitDown);
    ASSERT_TRUE(down);
    ASSERT_EQ(down->raw.size(), 1u);
    EXPECT_EQ(down->raw[0].vt, VT_I2);
    EXPECT_EQ(down->raw[0].number, '#');
    const SeenEvent* message = sink->first(OnTAPIMessage);
    ASSERT_TRUE(message);
    ASSERT_EQ(message->raw.size(), 5u);
    EXPECT_EQ(message->raw[3].number, LONG(PHONE_BUTTON));  // rgvarg runs last argument first
    EXPECT_TRUE(isTrue(phone.get(HandsetMicrophoneAndSpeaker)));
    EXPECT_EQ(phone.get(DeviceState).value.toInt32(), LONG(PHONESTATE_HANDSETHOOKSWITCH));

    sink->seen.clear();
    engine().Vantage().SetEvents(false);
    tapi::exchange().pressPhoneKey(0, '1');
    time.advance(200ms);
    EXPECT_EQ(sink->dispids(), (std::vector<DISPID>{OnTAPIMessage, OnTAPIMessage}));

    // A reply reaches the sink with the request and its result.
    engine().Vantage().SetEvents(true);
    sink->seen.clear();
    ASSERT_EQ(phone.put(HandsetGain, LONG(30)), S_OK);
    const SeenEvent* reply = sink->first(OnTAPIReply);
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->raw.size(), 3u);
    EXPECT_EQ(reply->raw[1].number, 0);
}

}  // namespace
}  // namespace lkLK36::testing
