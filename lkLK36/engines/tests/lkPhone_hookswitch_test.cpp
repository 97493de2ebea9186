// The Phone engine's hookswitch devices: modes, volume and gain as asynchronous requests, each
// answered by the simulated exchange (at once, late, with a failure, or never), in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkPhone.h"
#include "lkLK36/engines/tests/phone_fixture.h"
#include "platform/core/clock.h"
#include "platform/core/messages.h"

namespace {

using namespace std::chrono_literals;
using tapi::exchange;
using Lines = std::vector<std::string>;

using PhoneHookSwitch = PhoneTest;

TEST(PhoneLevels, ConvertPercentAndLevelRoundingHalfToEven) {
    struct Case {
        LONG percent;
        DWORD level;
    };
    static constexpr Case toLevel[] = {{0, 0}, {1, 655}, {50, 0x8000}, {99, 64880}, {100, 0xFFFF}};
    for (const Case& c : toLevel) {
        SCOPED_TRACE(c.percent);
        EXPECT_EQ(PercentToLevel(c.percent), c.level);
    }
    static constexpr Case toPercent[] = {{50, 0x8000}, {50, 0x7FFF},  {0, 327},
                                         {1, 328},     {100, 0xFFFF}, {0, 0}};
    for (const Case& c : toPercent) {
        SCOPED_TRACE(c.level);
        EXPECT_EQ(LevelToPercent(c.level), c.percent);
    }
}

TEST_F(PhoneHookSwitch, EachModeOfEachDeviceIsSetAloneOnceTheExchangeAgrees) {
    struct Device {
        TlkHookSwitch TlkPhoneInternal::*device;
        DWORD PHONESTATUS::*status;
    };
    static constexpr Device devices[] = {
        {&TlkPhoneInternal::Handset, &PHONESTATUS::dwHandsetHookSwitchMode},
        {&TlkPhoneInternal::Speakerphone, &PHONESTATUS::dwSpeakerHookSwitchMode},
        {&TlkPhoneInternal::Headset, &PHONESTATUS::dwHeadsetHookSwitchMode},
    };
    struct Mode {
        const char* name;
        DWORD mode;
        void (TlkHookSwitch::*set)(bool);
    };
    static constexpr Mode modes[] = {
        {"MicrophoneAndSpeaker", PHONEHOOKSWITCHMODE_MICSPEAKER,
         &TlkHookSwitch::SetMicrophoneAndSpeaker},
        {"MicrophoneOnly", PHONEHOOKSWITCHMODE_MIC, &TlkHookSwitch::SetMicrophoneOnly},
        {"SpeakerOnly", PHONEHOOKSWITCHMODE_SPEAKER, &TlkHookSwitch::SetSpeakerOnly},
        {"OnHook", PHONEHOOKSWITCHMODE_ONHOOK, &TlkHookSwitch::SetOnHook},
    };
    openPhone();
    for (const Device& d : devices) {
        TlkHookSwitch& device = (*phone).*d.device;
        for (const Mode& m : modes) {
            SCOPED_TRACE(std::string(device.name()) + "." + m.name);
            const std::size_t mark = logMark();
            (device.*m.set)(true);
            EXPECT_EQ(logSince(mark).front(),
                      std::string(device.name()) + "." + m.name + " := True");
            EXPECT_EQ(phone->Error().Number(), 0);
            EXPECT_TRUE(device.modeSet(m.mode));
            for (const Mode& other : modes) {
                if (other.mode != m.mode) {
                    EXPECT_FALSE(device.modeSet(other.mode)) << other.name;
                }
            }
            EXPECT_EQ(exchange().phoneStatus(0).status.*d.status, m.mode);
            EXPECT_EQ(device.HookSwitchRequest, 0);
            time.runUntilIdle();
        }
    }
}

TEST_F(PhoneHookSwitch, AModeAlreadySetOrADeviceClosedSendsNothing) {
    newPhone();
    phone->Handset.SetMicrophoneAndSpeaker(true);  // closed
    EXPECT_EQ(exchange().lastRequest(tapi::Op::PhoneSetHookSwitch), nullptr);
    phone->SetDeviceActive(true);
    const std::size_t mark = logMark();
    phone->Handset.SetOnHook(true);  // on hook already
    EXPECT_EQ(exchange().lastRequest(tapi::Op::PhoneSetHookSwitch), nullptr);
    EXPECT_EQ(logSince(mark), Lines{});
}

TEST_F(PhoneHookSwitch, LeavingAModeByFalseIsRefusedWithoutClearingTheLastError) {
    openPhone();
    phone->SetDeviceID(7);
    ASSERT_EQ(phone->Error().Name(), "PHONEERR_BADDEVICEID");
    phone->Headset.SetOnHook(false);
    EXPECT_EQ(phone->Error().Name(), "PHONEERR_INVALHOOKSWITCHMODE");
    EXPECT_TRUE(phone->Headset.OnHook);
    // A change that works leaves the record as it was.
    phone->Headset.SetSpeakerOnly(true);
    EXPECT_TRUE(phone->Headset.SpeakerOnly);
    EXPECT_EQ(phone->Error().Name(), "PHONEERR_INVALHOOKSWITCHMODE");
}

TEST_F(PhoneHookSwitch, VolumeAndGainSendTheLevelOfTheirPercent) {
    struct Case {
        const char* name;
        void (TlkHookSwitch::*set)(LONG);
        tapi::Op op;
        LONG percent;
        bool sent;
        DWORD level;
    };
    static constexpr Case cases[] = {
        {"volume 0", &TlkHookSwitch::SetVolume, tapi::Op::PhoneSetVolume, 0, true, 0},
        {"volume 50", &TlkHookSwitch::SetVolume, tapi::Op::PhoneSetVolume, 50, true, 0x8000},
        {"volume 100", &TlkHookSwitch::SetVolume, tapi::Op::PhoneSetVolume, 100, true, 0xFFFF},
        {"volume -1", &TlkHookSwitch::SetVolume, tapi::Op::PhoneSetVolume, -1, false, 0},
        {"volume 101", &TlkHookSwitch::SetVolume, tapi::Op::PhoneSetVolume, 101, false, 0},
        {"gain 25", &TlkHookSwitch::SetGain, tapi::Op::PhoneSetGain, 25, true, 16384},
        {"gain 101", &TlkHookSwitch::SetGain, tapi::Op::PhoneSetGain, 101, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exchange().reset();
        openPhone();
        const std::size_t mark = logMark();
        (phone->Headset.*c.set)(c.percent);
        const tapi::Request* sent = exchange().lastRequest(c.op);
        ASSERT_EQ(sent != nullptr, c.sent);
        if (!c.sent) {
            EXPECT_EQ(logSince(mark), Lines{});
            continue;
        }
        EXPECT_EQ(sent->value, c.level);
        EXPECT_EQ(sent->value2, DWORD(PHONEHOOKSWITCHDEV_HEADSET));
        const bool volume = c.op == tapi::Op::PhoneSetVolume;
        EXPECT_EQ(volume ? phone->Headset.Volume : phone->Headset.Gain, c.percent);
        EXPECT_EQ(logSince(mark).front(), std::string("Headset.") +
                                              (volume ? "Volume = " : "Gain := ") +
                                              std::to_string(c.percent));
    }
}

TEST_F(PhoneHookSwitch, HeadlinesOfTheLevelSettersAsExistingLogsHaveThem) {
    openPhone();
    std::size_t mark = logMark();
    phone->Handset.SetVolume(10);
    phone->Speakerphone.SetVolume(20);
    phone->Speakerphone.SetGain(30);
    Lines headlines;
    for (const std::string& line : logSince(mark)) {
        if (line[0] != '\t' && line.rfind("On", 0) != 0)
            headlines.push_back(line);
    }
    EXPECT_EQ(headlines, (Lines{"Handset.Volume := 10", "Speakerphone.Volume = 20",
                                "Speakerphone.Gain := 30"}));
}

// Every way a request can end, for each kind of request: its value changes only on success, a
// failure is reported with its own code the moment the reply says so, and only a reply that never
// comes waits out the reply time-out.
TEST_F(PhoneHookSwitch, ARequestEndsWithItsOwnReply) {
    struct Kind {
        const char* function;
        std::function<void(TlkPhoneInternal&)> request;
        std::function<bool(const TlkPhoneInternal&)> changed;
    };
    const Kind kinds[] = {
        {"phoneSetHookSwitch",
         [](TlkPhoneInternal& p) { p.Speakerphone.SetMicrophoneAndSpeaker(true); },
         [](const TlkPhoneInternal& p) { return p.Speakerphone.MicrophoneAndSpeaker; }},
        {"phoneSetVolume", [](TlkPhoneInternal& p) { p.Handset.SetVolume(80); },
         [](const TlkPhoneInternal& p) { return p.Handset.Volume == 80; }},
        {"phoneSetGain", [](TlkPhoneInternal& p) { p.Headset.SetGain(10); },
         [](const TlkPhoneInternal& p) { return p.Headset.Gain == 10; }},
    };
    struct Outcome {
        const char* name;
        LONG refusal;  // returned at once
        tapi::ReplyPolicy reply;
        LONG error;
        std::chrono::milliseconds waited;
    };
    const Outcome outcomes[] = {
        {"success after 300 ms", 0, {300, 0, false, false}, 0, 300ms},
        {"refused at once", PHONEERR_RESOURCEUNAVAIL, {}, PHONEERR_RESOURCEUNAVAIL, 0ms},
        {"failed reply",
         0,
         {300, PHONEERR_OPERATIONFAILED, false, false},
         PHONEERR_OPERATIONFAILED,
         300ms},
        {"no reply", 0, {0, 0, true, false}, TAPIREPLYTIMEOUT, 5000ms},
    };
    for (const Kind& k : kinds) {
        for (const Outcome& o : outcomes) {
            SCOPED_TRACE(std::string(k.function) + ": " + o.name);
            exchange().reset();
            exchange().setInjectedFailure(k.function, o.refusal);
            exchange().setReplyPolicy(k.function, o.reply);
            openPhone();
            phone->TAPI.ReplyTimeout = 5000;
            const std::int64_t start = core::tickCount64();
            k.request(*phone);
            // The message pump after each message may step the virtual clock by a millisecond.
            EXPECT_NEAR(core::tickCount64() - start, o.waited.count(), 2);
            EXPECT_EQ(phone->Error().Number(), o.error) << phone->Error().Name();
            EXPECT_EQ(k.changed(*phone), o.error == 0);
            const std::vector<std::string> events = recorder.take();
            EXPECT_EQ(std::count(events.begin(), events.end(), "OnError " + phone->Error().Name()),
                      o.error == 0 ? 0 : 1);
        }
    }
}

TEST_F(PhoneHookSwitch, ClosingThePhoneEndsAWaitInProgress) {
    openPhone();
    exchange().setReplyPolicy("phoneSetVolume", {0, 0, true, false});
    phone->OnTAPIMessage = [](TlkPhoneInternal&, LONG, LONG, LONG, LONG, LONG) {};
    bool closedInside = false;
    core::OneShot closer;
    closer.start(100, [&] {
        phone->SetDeviceActive(false);
        closedInside = true;
    });
    const std::int64_t start = core::tickCount64();
    phone->Handset.SetVolume(70);
    EXPECT_TRUE(closedInside);
    EXPECT_NEAR(core::tickCount64() - start, 100, 2);
    EXPECT_EQ(phone->Handset.Volume, 50);
    EXPECT_EQ(phone->Handset.VolumeRequest, 0);
}

TEST_F(PhoneHookSwitch, RepliesAreLabelledByTheSlotThatWaitedForThem) {
    openPhone();
    phone->Popup.OnTAPIReply = true;
    struct Case {
        std::function<void(TlkPhoneInternal&)> request;
        const char* label;
    };
    const Case cases[] = {
        {[](TlkPhoneInternal& p) { p.Handset.SetMicrophoneAndSpeaker(true); },
         "OnTAPIReply - Handset.MicrophoneAndSpeaker"},
        {[](TlkPhoneInternal& p) { p.Handset.SetVolume(10); }, "OnTAPIReply - Handset.Volume"},
        {[](TlkPhoneInternal& p) { p.Handset.SetGain(10); }, "OnTAPIReply - Handset.Gain"},
        {[](TlkPhoneInternal& p) { p.Speakerphone.SetSpeakerOnly(true); },
         "OnTAPIReply - Speakerphone.SpeakerOnly"},
        // The gain slots of the speakerphone and the headset are named as their volume.
        {[](TlkPhoneInternal& p) { p.Speakerphone.SetGain(10); },
         "OnTAPIReply - Speakerphone.Volume"},
        {[](TlkPhoneInternal& p) { p.Headset.SetGain(10); }, "OnTAPIReply - Headset.Volume"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::size_t mark = logMark();
        c.request(*phone);
        const Lines lines = logSince(mark);
        const auto reply = std::find(lines.begin(), lines.end(), c.label);
        ASSERT_NE(reply, lines.end());
        ASSERT_GE(lines.end() - reply, 4);
        EXPECT_EQ(reply[1].substr(0, 16), "\tParameter 1 = [");
        EXPECT_EQ(reply[2], "\tParameter 2 = [00000000]");
        EXPECT_EQ(reply[3], "\tParameter 3 = [00000000]");
        time.runUntilIdle();
    }
}

}  // namespace
