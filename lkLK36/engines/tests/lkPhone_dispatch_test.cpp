// The Phone engine's messages: keypad buttons, phone states and the message and reply events,
// raised by the simulated exchange's handset in virtual time.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkPhone.h"
#include "lkLK36/engines/tests/phone_fixture.h"

namespace {

using namespace std::chrono_literals;
using tapi::exchange;
using Lines = std::vector<std::string>;

using PhoneMessages = PhoneTest;

TEST_F(PhoneMessages, KeypadKeysRaiseDigitEventsDownThenUp) {
    openPhone();
    for (char key : std::string("0123456789*#")) {
        SCOPED_TRACE(key);
        const std::size_t mark = logMark();
        ASSERT_TRUE(exchange().pressPhoneKey(0, key));
        time.advance(200ms);
        const std::string digit(1, key);
        EXPECT_EQ(recorder.take(), (Lines{"OnDigitDown " + digit, "OnDigitUp " + digit}));
        EXPECT_EQ(logSince(mark),
                  (Lines{"OnDigitDown (" + digit + ")", "OnDigitUp (" + digit + ")"}));
    }
}

TEST_F(PhoneMessages, ButtonsThatAreNoKeysAreOnlyOffered) {
    openPhone();
    std::vector<LONG> offered;
    phone->OnTAPIMessage = [&](TlkPhoneInternal&, LONG, LONG message, LONG, LONG, LONG) {
        offered.push_back(message);
    };
    const std::size_t mark = logMark();
    exchange().pressPhoneButton(0, 12, PHONEBUTTONMODE_KEYPAD);
    exchange().pressPhoneButton(0, 3, PHONEBUTTONMODE_FEATURE);
    time.advance(200ms);
    EXPECT_EQ(recorder.take(), Lines{});
    EXPECT_EQ(logSince(mark), Lines{});
    EXPECT_EQ(offered, (std::vector<LONG>(4, LONG(PHONE_BUTTON))));
}

TEST_F(PhoneMessages, DigitEventsNeedTheEventsSwitchButTheLogDoesNot) {
    openPhone();
    phone->Vantage().SetEvents(false);
    const std::size_t mark = logMark();
    exchange().pressPhoneKey(0, '*');
    time.advance(200ms);
    EXPECT_EQ(recorder.take(), Lines{});
    EXPECT_EQ(logSince(mark), (Lines{"OnDigitDown (*)", "OnDigitUp (*)"}));
}

// The user at the handset: each state the phone reports changes the control's view of its
// device, is logged with its headline and raises its event after OnPhoneState.
TEST_F(PhoneMessages, EachHookswitchStateUpdatesItsDeviceAndRaisesItsEvent) {
    struct Case {
        const char* name;
        std::function<bool()> act;
        DWORD state;
        Lines log;
        const char* event;
        std::function<bool(const TlkPhoneInternal&)> holds;
    };
    const Case cases[] = {
        {"handset lifted",
         [] {
             return exchange().setHookSwitch(0, PHONEHOOKSWITCHDEV_HANDSET,
                                             PHONEHOOKSWITCHMODE_MICSPEAKER);
         },
         PHONESTATE_HANDSETHOOKSWITCH,
         {"OnHandsetHookSwitch", "\tHandset.MicrophoneAndSpeaker = True",
          "\tHandset.MicrophoneOnly = False", "\tHandset.OnHook = False",
          "\tHandset.SpeakerOnly = False"},
         "OnHandsetHookSwitch",
         [](const TlkPhoneInternal& p) {
             return p.Handset.MicrophoneAndSpeaker && !p.Handset.OnHook;
         }},
        {"handset volume",
         [] { return exchange().setPhoneVolume(0, PHONEHOOKSWITCHDEV_HANDSET, 0xFFFF); },
         PHONESTATE_HANDSETVOLUME,
         {"OnHandsetVolume", "\tHandset.Volume = 100"},
         "OnHandsetVolume",
         [](const TlkPhoneInternal& p) { return p.Handset.Volume == 100; }},
        {"handset gain",
         [] { return exchange().setPhoneGain(0, PHONEHOOKSWITCHDEV_HANDSET, 0); },
         PHONESTATE_HANDSETGAIN,
         {"OnHandsetGain", "\tHandset.Gain = 0"},
         "OnHandsetGain",
         [](const TlkPhoneInternal& p) { return p.Handset.Gain == 0; }},
        {"speakerphone on",
         [] {
             return exchange().setHookSwitch(0, PHONEHOOKSWITCHDEV_SPEAKER,
                                             PHONEHOOKSWITCHMODE_SPEAKER);
         },
         PHONESTATE_SPEAKERHOOKSWITCH,
         {"OnSpeakerphoneHookSwitch", "\tSpeakerphone.MicrophoneAndSpeaker = False",
          "\tSpeakerphone.MicrophoneOnly = False", "\tSpeakerphone.OnHook = False",
          "\tSpeakerphone.SpeakerOnly = True"},
         "OnSpeakerphoneHookSwitch",
         [](const TlkPhoneInternal& p) { return p.Speakerphone.SpeakerOnly; }},
        {"speakerphone volume",
         [] { return exchange().setPhoneVolume(0, PHONEHOOKSWITCHDEV_SPEAKER, 0x4000); },
         PHONESTATE_SPEAKERVOLUME,
         {"OnSpeakerphoneVolume", "\tSpeakerphone.Volume = 25"},
         "OnSpeakerphoneVolume",
         [](const TlkPhoneInternal& p) { return p.Speakerphone.Volume == 25; }},
        {"speakerphone gain",
         [] { return exchange().setPhoneGain(0, PHONEHOOKSWITCHDEV_SPEAKER, 0xC000); },
         PHONESTATE_SPEAKERGAIN,
         {"OnSpeakerphoneGain", "\tSpeakerphone.Gain = 75"},
         "OnSpeakerphoneGain",
         [](const TlkPhoneInternal& p) { return p.Speakerphone.Gain == 75; }},
        {"headset on",
         [] {
             return exchange().setHookSwitch(0, PHONEHOOKSWITCHDEV_HEADSET,
                                             PHONEHOOKSWITCHMODE_MIC);
         },
         PHONESTATE_HEADSETHOOKSWITCH,
         {"OnHeadsetHookSwitch", "\tHeadset.MicrophoneAndSpeaker = False",
          "\tHeadset.MicrophoneOnly = True", "\tHeadset.OnHook = False",
          "\tHeadset.SpeakerOnly = False"},
         "OnHeadsetHookSwitch",
         [](const TlkPhoneInternal& p) { return p.Headset.MicrophoneOnly; }},
        {"headset volume",
         [] { return exchange().setPhoneVolume(0, PHONEHOOKSWITCHDEV_HEADSET, 655); },
         PHONESTATE_HEADSETVOLUME,
         {"OnHeadsetVolume", "\tHeadset.Volume = 1"},
         "OnHeadsetVolume",
         [](const TlkPhoneInternal& p) { return p.Headset.Volume == 1; }},
        {"headset gain",
         [] { return exchange().setPhoneGain(0, PHONEHOOKSWITCHDEV_HEADSET, 0xFFFF); },
         PHONESTATE_HEADSETGAIN,
         {"OnHeadsetGain", "\tHeadset.Gain = 100"},
         "OnHeadsetGain",
         [](const TlkPhoneInternal& p) { return p.Headset.Gain == 100; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exchange().reset();
        openPhone();
        const std::size_t mark = logMark();
        ASSERT_TRUE(c.act());
        time.runUntilIdle();
        EXPECT_EQ(phone->Device.State, c.state);
        EXPECT_TRUE(c.holds(*phone));
        EXPECT_EQ(logSince(mark), c.log);
        EXPECT_EQ(recorder.take(), (Lines{"OnPhoneState", c.event}));
    }
}

TEST_F(PhoneMessages, OtherStatesChangeOnlyTheDeviceState) {
    openPhone();
    phone->Popup.OnPhoneState = true;
    const std::size_t mark = logMark();
    ASSERT_TRUE(exchange().setRingVolume(0, 0x8000));
    time.runUntilIdle();
    EXPECT_EQ(phone->Device.State, DWORD(PHONESTATE_RINGVOLUME));
    EXPECT_EQ(phone->Device.StateDetails, 0u);
    EXPECT_EQ(phone->RingVolume(), 100);  // read only with the status, at open
    EXPECT_EQ(logSince(mark), (Lines{"OnPhoneState", "\tDevice.State = PHONESTATE_RINGVOLUME",
                                     "\tDevice.StateDetails = 0"}));
    EXPECT_EQ(recorder.take(), Lines{"OnPhoneState"});
}

TEST_F(PhoneMessages, TheStateLogNamesTheHookswitchModeAndTheEventsFollowTheSwitch) {
    openPhone();
    phone->Popup.OnPhoneState = true;
    phone->Vantage().SetEvents(false);
    const std::size_t mark = logMark();
    exchange().setHookSwitch(0, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_MICSPEAKER);
    time.runUntilIdle();
    const Lines lines = logSince(mark);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(
        Lines(lines.begin(), lines.begin() + 4),
        (Lines{"OnPhoneState", "\tDevice.State = PHONESTATE_HANDSETHOOKSWITCH",
               "\tDevice.StateDetails = PHONEHOOKSWITCHMODE_MICSPEAKER", "OnHandsetHookSwitch"}));
    EXPECT_TRUE(phone->Handset.MicrophoneAndSpeaker);
    EXPECT_EQ(recorder.take(), Lines{});
}

// A level the phone cannot read back is not taken as a level: the control keeps the one it knows,
// and still tells that the level changed.
TEST_F(PhoneMessages, AFailedLevelReadKeepsTheKnownLevel) {
    openPhone();
    exchange().setInjectedFailure("phoneGetVolume", PHONEERR_OPERATIONFAILED);
    exchange().setInjectedFailure("phoneGetGain", PHONEERR_RESOURCEUNAVAIL);
    const std::size_t mark = logMark();
    exchange().setPhoneVolume(0, PHONEHOOKSWITCHDEV_HANDSET, 0);
    exchange().setPhoneGain(0, PHONEHOOKSWITCHDEV_HEADSET, 0);
    time.runUntilIdle();
    EXPECT_EQ(phone->Handset.Volume, 50);
    EXPECT_EQ(phone->Headset.Gain, 50);
    EXPECT_EQ(logSince(mark), (Lines{"OnHandsetVolume", "\tHandset.Volume = 50", "OnHeadsetGain",
                                     "\tHeadset.Gain = 50"}));
    EXPECT_EQ(recorder.take(),
              (Lines{"OnPhoneState", "OnHandsetVolume", "OnPhoneState", "OnHeadsetGain"}));
}

TEST_F(PhoneMessages, EveryMessageIsOfferedAndLoggedWhenAsked) {
    openPhone();
    phone->Popup.OnTAPIMessage = true;
    Lines offered;
    phone->OnTAPIMessage = [&](TlkPhoneInternal&, LONG device, LONG message, LONG p1, LONG p2,
                               LONG p3) {
        offered.push_back(Hex8(DWORD(device)) + " " + std::to_string(message) + " " +
                          std::to_string(p1) + " " + std::to_string(p2) + " " + std::to_string(p3));
    };
    phone->Vantage().SetEvents(false);  // offered whatever the switch says
    const std::size_t mark = logMark();
    exchange().pressPhoneKey(0, '7');
    time.runUntilIdle();
    const std::string handle = Hex8(phone->Phone.PhoneHandle);
    EXPECT_EQ(offered, Lines{handle + " 14 7 8 2"});
    EXPECT_EQ(logSince(mark),
              (Lines{"OnTAPIMessage", "\tDevice = [" + handle + "]", "\tMessage = [0000000E]",
                     "\tParameter 1 = [00000007]", "\tParameter 2 = [00000008]",
                     "\tParameter 3 = [00000002]", "OnDigitDown (7)"}));
}

TEST_F(PhoneMessages, ADestroyedControlStillLetsGoOfItsPhone) {
    openPhone();
    phone.reset();
    // The phone is free for another owner at once.
    HPHONEAPP app = 0;
    DWORD count = 0;
    ASSERT_EQ(phoneInitialize(&app, nullptr, PhoneCallback, "other", &count), 0);
    HPHONE other = 0;
    EXPECT_EQ(phoneOpen(app, 0, &other, TAPI_VERSION2_2, 0, 0, PHONEPRIVILEGE_OWNER), 0);
    exchange().pressPhoneKey(0, '1');
    time.advance(200ms);
    phoneShutdown(app);
    EXPECT_EQ(recorder.take(), Lines{});
}

}  // namespace
