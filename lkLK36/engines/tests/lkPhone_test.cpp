// The Phone engine's set-up, device list, open and close, and the device group's setters,
// against the simulated exchange in virtual time.
#include "lkLK36/engines/lkPhone.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/tests/phone_fixture.h"
#include "lkLK36/engines/vantage_form.h"

namespace {

using tapi::exchange;
using Lines = std::vector<std::string>;

// Two handsets: the first on line 1, the second on line 2.
tapi::ExchangeConfig twoPhones() {
    tapi::ExchangeConfig config = tapi::ExchangeConfig::defaults();
    tapi::PhoneConfig second = config.phones[0];
    second.name = "Belltale Handset #2";
    second.line = 1;
    second.hookSwitchDevs = PHONEHOOKSWITCHDEV_HANDSET;
    config.phones.push_back(second);
    return config;
}

using PhoneEngine = PhoneTest;

TEST_F(PhoneEngine, DescribesTheExchangesHandsetAtCreation) {
    newPhone();
    EXPECT_TRUE(phone->tapiReady());
    EXPECT_EQ(phone->Error().Number(), 0);
    EXPECT_EQ(phone->log().Lines()[0], "Quillonv3.60");
    EXPECT_EQ(phone->log().Lines()[1], "Create lkPhone");
    ASSERT_EQ(phone->Device.Count, 1);
    EXPECT_EQ(phone->Device.List, TlkStringList{"Belltale Handset #1"});
    EXPECT_EQ(phone->Device.Name, "Belltale Handset #1");
    EXPECT_EQ(phone->TAPI.TSP, "Belltale Phone TSP");
    EXPECT_EQ(phone->TAPI.Version, 2u);
    EXPECT_EQ(phone->TAPI.Subversion, 2u);
    EXPECT_EQ(phone->TAPI.ReplyTimeout, 60000);
    EXPECT_NE(phone->Phone.PhoneAppHandle, 0u);
    EXPECT_EQ(phone->Phone.PhoneHookSwitchDevs, 7u);
    EXPECT_EQ(phone->Phone.PhoneStates, 0x00FFFFFFu);
    for (const TlkHookSwitch* device : {&phone->Handset, &phone->Speakerphone, &phone->Headset}) {
        SCOPED_TRACE(device->name());
        EXPECT_TRUE(device->Available);
        EXPECT_TRUE(device->VolumeAvailable);
        EXPECT_TRUE(device->GainAvailable);
        EXPECT_EQ(device->Modes, 0xFu);
        EXPECT_TRUE(device->OnHook);
    }
    EXPECT_TRUE(phone->Privilege.Owner);
    EXPECT_FALSE(phone->Privilege.Monitor);
    EXPECT_EQ(phone->Line.DeviceClass, "tapi/line");
    EXPECT_FALSE(phone->Device.Active);
}

TEST_F(PhoneEngine, InitialisesWithoutTheExEntryButNeverAfterItFails) {
    struct Case {
        const char* name;
        bool entryMissing;
        LONG exFailure;
        bool ready;
    };
    static constexpr Case cases[] = {
        {"entry missing", true, 0, true},
        // Unlike the Line, a failing Ex entry is not followed by the plain one.
        {"entry fails", false, PHONEERR_OPERATIONFAILED, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exchange().reset();
        exchange().setExEntriesMissing(c.entryMissing);
        exchange().setInjectedFailure("phoneInitializeEx", c.exFailure);
        newPhone();
        EXPECT_EQ(phone->tapiReady(), c.ready);
        EXPECT_EQ(phone->Device.Count, c.ready ? 1 : 0);
        if (!c.ready) {
            EXPECT_EQ(phone->Phone.PhoneAppHandle, 0u);
            phone->SetDeviceActive(true);
            EXPECT_FALSE(phone->Device.Active);
            EXPECT_EQ(phone->Error().Number(), -1);
            EXPECT_EQ(phone->Error().Name(), "Unknown");
            EXPECT_EQ(phone->Device.Count, 0);
        }
    }
}

TEST_F(PhoneEngine, OpensAndClosesWithItsLogLinesAndRelatedDevices) {
    newPhone();
    std::size_t mark = logMark();
    phone->SetDeviceActive(true);
    ASSERT_TRUE(phone->Device.Active) << phone->Error().Name();
    EXPECT_EQ(logSince(mark), (Lines{"Device.Active := True", "\tDevice.Count = 1",
                                     "\tDevice.ID = 0", "\tDevice.Name = 'Belltale Handset #1'"}));
    EXPECT_NE(phone->Phone.PhoneHandle, 0u);
    EXPECT_TRUE(lkDeviceActiveRequested());
    const tapi::LineDescription& line = *exchange().line(0);
    EXPECT_TRUE(phone->Line.Available);
    EXPECT_EQ(phone->Line.ID, 0);
    EXPECT_TRUE(phone->WavePlay.Available);
    EXPECT_EQ(phone->WavePlay.ID, LONG(line.waveOut));
    EXPECT_TRUE(phone->WaveRecord.Available);
    EXPECT_EQ(phone->WaveRecord.ID, LONG(line.waveIn));
    EXPECT_EQ(phone->Handset.Volume, 50);  // the exchange's middle level, read with the status
    EXPECT_EQ(phone->RingVolume(), 100);

    // A second owner is refused: this control holds the phone.
    HPHONEAPP app = 0;
    DWORD count = 0;
    ASSERT_EQ(phoneInitialize(&app, nullptr, PhoneCallback, "other", &count), 0);
    HPHONE other = 0;
    EXPECT_EQ(phoneOpen(app, 0, &other, TAPI_VERSION2_2, 0, 0, PHONEPRIVILEGE_OWNER),
              PHONEERR_INUSE);

    mark = logMark();
    phone->SetDeviceActive(false);
    EXPECT_FALSE(phone->Device.Active);
    EXPECT_EQ(logSince(mark), (Lines{"Device.Active := False", "\tDevice.Count = 1",
                                     "\tDevice.ID = 0", "\tDevice.Name = 'Belltale Handset #1'"}));
    EXPECT_EQ(phone->Phone.PhoneHandle, 0u);
    EXPECT_FALSE(phone->Line.Available || phone->WavePlay.Available || phone->WaveRecord.Available);
    EXPECT_EQ(phone->WavePlay.ID, 0);
    EXPECT_EQ(phoneOpen(app, 0, &other, TAPI_VERSION2_2, 0, 0, PHONEPRIVILEGE_OWNER), 0);
    phoneShutdown(app);

    // Asking for the state it has changes nothing and logs nothing, but is remembered.
    mark = logMark();
    phone->SetDeviceActive(false);
    EXPECT_EQ(logSince(mark), Lines{});
    EXPECT_FALSE(lkDeviceActiveRequested());
}

TEST_F(PhoneEngine, OpensWithThePrivilegeItHolds) {
    struct Case {
        const char* name;
        bool owner, monitor;
        LONG openError;
        LONG hookSwitchError;  // of a hookswitch change once open
    };
    static constexpr Case cases[] = {
        {"owner", true, false, 0, 0},
        {"owner over monitor", true, true, 0, 0},
        {"monitor", false, true, 0, PHONEERR_NOTOWNER},
        {"none", false, false, PHONEERR_INVALPRIVILEGE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exchange().reset();
        newPhone();
        phone->SetPrivilegeOwner(c.owner);
        phone->SetPrivilegeMonitor(c.monitor);
        phone->SetDeviceActive(true);
        EXPECT_EQ(phone->Device.Active, c.openError == 0);
        EXPECT_EQ(phone->Error().Number(), c.openError);
        if (!phone->Device.Active)
            continue;
        phone->Handset.SetMicrophoneAndSpeaker(true);
        time.runUntilIdle();
        EXPECT_EQ(phone->Error().Number(), c.hookSwitchError);
        EXPECT_EQ(phone->Handset.MicrophoneAndSpeaker, c.hookSwitchError == 0);
    }
}

TEST_F(PhoneEngine, LogsThePrivilegeSetters) {
    newPhone();
    const std::size_t mark = logMark();
    phone->SetPrivilegeMonitor(true);
    phone->SetPrivilegeOwner(false);
    EXPECT_EQ(logSince(mark),
              (Lines{"Device.Privilege.Monitor := True", "Device.Privilege.Monitor = True",
                     "Device.Privilege.Owner := False", "Device.Privilege.Owner = False"}));
}

TEST_F(PhoneEngine, ListsAPhoneWhoseCapabilitiesCannotBeRead) {
    exchange().setInjectedFailure("phoneGetDevCaps", PHONEERR_OPERATIONFAILED);
    newPhone();
    // Listed in the syntax of the day: Visual Basic at creation.
    EXPECT_EQ(phone->Device.List,
              TlkStringList{"DeviceName unavailable: [9000001C]  PHONEERR_OPERATIONFAILED"});
    EXPECT_EQ(phone->Device.Name, "");
    EXPECT_FALSE(phone->Handset.Available);
}

TEST_F(PhoneEngine, ReadsStructuresThatNeedMoreThan4096Bytes) {
    exchange().setLargeStructures(true);
    newPhone();
    EXPECT_EQ(phone->Device.Name, "Belltale Handset #1");
    phone->SetDeviceActive(true);
    EXPECT_TRUE(phone->Device.Active);
    EXPECT_EQ(phone->WaveRecord.ID, LONG(exchange().line(0)->waveIn));
    EXPECT_EQ(phone->Handset.Gain, 50);
}

TEST_F(PhoneEngine, ChoosesItsDeviceByIdAndByName) {
    exchange().reset(twoPhones());
    newPhone();
    ASSERT_EQ(phone->Device.Count, 2);
    phone->SetDeviceActive(true);

    // Another device closes the open one first.
    std::size_t mark = logMark();
    phone->SetDeviceID(1);
    EXPECT_FALSE(phone->Device.Active);
    EXPECT_EQ(phone->Device.ID, 1);
    EXPECT_EQ(phone->Device.Name, "Belltale Handset #2");
    EXPECT_FALSE(phone->Speakerphone.Available);
    EXPECT_EQ(logSince(mark),
              (Lines{"Device.Active := False", "\tDevice.Count = 2", "\tDevice.ID = 0",
                     "\tDevice.Name = 'Belltale Handset #1'", "Device.ID := 1",
                     "\tDevice.Count = 2", "\tDevice.Name = 'Belltale Handset #2'"}));

    struct Case {
        const char* name;
        LONG id;
    };
    static constexpr Case outOfRange[] = {{"below", -1}, {"past the end", 2}};
    for (const Case& c : outOfRange) {
        SCOPED_TRACE(c.name);
        mark = logMark();
        phone->SetDeviceID(c.id);
        EXPECT_EQ(phone->Device.ID, 1);
        EXPECT_EQ(phone->Error().Name(), "PHONEERR_BADDEVICEID");
        EXPECT_EQ(logSince(mark),
                  (Lines{"Device.ID := " + std::to_string(c.id),
                         "<< Error >> PHONEERR_BADDEVICEID [90000002]", "\tDevice.Count = 2",
                         "\tDevice.Name = 'Belltale Handset #2'"}));
    }

    phone->SetDeviceName("Belltale Handset #1");
    EXPECT_EQ(phone->Device.ID, 0);
    EXPECT_EQ(phone->Error().Number(), 0);
    mark = logMark();
    phone->SetDeviceName("Kitchen");
    EXPECT_EQ(phone->Device.ID, 0);
    EXPECT_EQ(phone->Error().Name(), "PHONEERR_BADDEVICEID");
    EXPECT_EQ(logSince(mark),
              (Lines{"Device.Name := 'Kitchen'", "<< Error >> PHONEERR_BADDEVICEID [90000002]"}));
}

TEST_F(PhoneEngine, OpensAtLoadWhenTheLibraryAskedForIt) {
    newPhone();
    phone->Loaded();
    EXPECT_FALSE(phone->Device.Active);
    setLkDeviceActiveRequested(true);
    phone->Loaded();
    EXPECT_TRUE(phone->Device.Active);
}

TEST_F(PhoneEngine, KeepsItsLineClassWhileOpen) {
    newPhone();
    phone->SetDeviceActive(true);
    std::size_t mark = logMark();
    phone->SetLineDeviceClass("tapi/none");
    EXPECT_EQ(phone->Line.DeviceClass, "tapi/line");
    EXPECT_EQ(logSince(mark), (Lines{"Line.DeviceClass := \"tapi/none\"",
                                     "<< Error >> PHONEERR_INVALPHONESTATE [90000014]"}));
    phone->WavePlay.SetDeviceClass("wave/none");
    EXPECT_EQ(phone->WavePlay.DeviceClass(), "wave/out");

    // A class the phone does not answer leaves its device unavailable.
    phone->SetDeviceActive(false);
    phone->SetLineDeviceClass("tapi/none");
    phone->WavePlay.SetDeviceClass("");
    phone->SetDeviceActive(true);
    EXPECT_FALSE(phone->Line.Available);
    EXPECT_EQ(phone->Line.ID, 0);
    EXPECT_FALSE(phone->WavePlay.Available);
    EXPECT_TRUE(phone->WaveRecord.Available);
}

TEST_F(PhoneEngine, ConfiguresThePhoneDeviceItself) {
    struct Case {
        const char* name;
        const char* failing;  // the dialog that fails
        bool done;
    };
    static constexpr Case cases[] = {
        {"phone dialog runs", "lineConfigDialog", true},
        {"phone dialog fails", "phoneConfigDialog", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exchange().reset();
        exchange().setInjectedFailure(c.failing, PHONEERR_OPERATIONUNAVAIL);
        newPhone();
        const std::size_t mark = logMark();
        EXPECT_EQ(phone->DeviceConfigure(), c.done);
        EXPECT_EQ(phone->Error().Number(), c.done ? 0 : PHONEERR_OPERATIONUNAVAIL);
        EXPECT_EQ(logSince(mark).front(), "Device.Configure");
        EXPECT_EQ(logSince(mark).back(),
                  std::string("\tDevice.Configure - Returned = ") + (c.done ? "True" : "False"));
    }
}

// A Phone monitor window that writes down which of its refresh operations the engine called.
class RecordingPhoneWindow final : public VantageForm, public PhoneVantageObserver {
  public:
    void closeForm() override {}
    void show() override {}
    void setCaption(const std::string&) override {}
    void setStayOnTop(bool) override {}
    LONG top() const override { return 0; }
    LONG left() const override { return 0; }
    TxWindowState windowState() const override { return wsNormal; }
    void setTop(LONG) override {}
    void setLeft(LONG) override {}
    void setWidth(LONG) override {}
    void setHeight(LONG) override {}
    void setWindowState(TxWindowState) override {}
    void hideLogSettingsRow() override {}
    void showLogPage() override {}
    void refreshAll() override {}
    void RefreshLogPage() override {}
    void enableErrorButton() override {}
    void UpdateDeviceStatus() override { calls.push_back("UpdateDeviceStatus"); }
    void UpdateDeviceList() override { calls.push_back("UpdateDeviceList"); }
    void UpdateHookSwitchPanels() override { calls.push_back("UpdateHookSwitchPanels"); }
    void UpdatePhoneInfoTree() override { calls.push_back("UpdatePhoneInfoTree"); }

    std::vector<std::string> calls;
};

// The monitor window is told of every change it shows: the device page when the phone opens or
// closes, the hookswitch panels when a device changes, the information tree with a new class.
TEST_F(PhoneEngine, TellsAnOpenMonitorWindowWhatChanged) {
    RecordingPhoneWindow window;
    setVantageFormFactory([&](TlkVantage&, LONG kind) -> VantageForm* {
        return kind == lkKindPhone ? &window : nullptr;
    });
    newPhone();
    phone->Vantage().SetVisible(true);
    phone->SetDeviceActive(true);
    EXPECT_EQ(window.calls, (Lines{"UpdateHookSwitchPanels", "UpdateDeviceStatus",
                                   "UpdateDeviceList", "UpdateDeviceStatus", "UpdateDeviceList",
                                   "UpdateHookSwitchPanels", "UpdatePhoneInfoTree"}));
    window.calls.clear();
    exchange().setHookSwitch(0, PHONEHOOKSWITCHDEV_HEADSET, PHONEHOOKSWITCHMODE_MICSPEAKER);
    time.runUntilIdle();
    EXPECT_EQ(window.calls, Lines{"UpdateHookSwitchPanels"});
    window.calls.clear();
    phone->SetDeviceActive(false);
    phone->SetLineDeviceClass("tapi/line");
    EXPECT_EQ(window.calls.back(), "UpdatePhoneInfoTree");
    phone.reset();
    setVantageFormFactory({});
}

}  // namespace
