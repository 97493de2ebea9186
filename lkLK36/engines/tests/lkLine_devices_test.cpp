// The Line control's device, privilege and related-device setters against the simulated
// exchange, in virtual time.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"
#include "lkLK36/engines/tests/line_fixture.h"
#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"

namespace {

using namespace std::chrono_literals;
using tapi::exchange;
using Lines = std::vector<std::string>;

class LineDevices : public ::testing::Test {
  protected:
    LineDevices() {
        exchange().reset();
        setLkDeviceActiveRequested(false);
        setLkLibraryReady(true);
    }
    ~LineDevices() override {
        setLkLibraryReady(false);
        exchange().reset();
    }

    std::unique_ptr<TlkLineInternal> makeLine(bool open) {
        auto line = makeLoggingLine();
        if (open) {
            line->SetDeviceActive(true);
            EXPECT_TRUE(line->Device.Active) << line->Error().Name();
        }
        return line;
    }
    static std::string deviceName(int device) { return exchange().config().lines[device].name; }

    // An incoming call of this media mode, answered by the control.
    DWORD connectedCall(TlkLineInternal& line, DWORD mediaMode) {
        tapi::IncomingCall caller;
        caller.mediaMode = mediaMode;
        EXPECT_NE(exchange().ring(0, caller), 0u);
        time.advance(10ms);
        const DWORD call = line.Call.Handle;
        EXPECT_GT(lineAnswer(call, nullptr, 0), 0);
        time.advance(10ms);
        EXPECT_EQ(line.Call.State, LINECALLSTATE_CONNECTED);
        return call;
    }

    OwnProgramFolder folder;
    core::VirtualTime time;
};

// ---- which device ----

TEST_F(LineDevices, DeviceIdAndNameChooseAListedDevice) {
    struct Case {
        const char* name;
        void (*set)(TlkLineInternal&);
        LONG error;
        LONG id;      // afterwards
        bool active;  // afterwards; the line starts open on device 0
    };
    static const Case cases[] = {
        {"id := count", [](TlkLineInternal& l) { l.SetDeviceID(4); }, LINEERR_BADDEVICEID, 0, true},
        {"id := -1", [](TlkLineInternal& l) { l.SetDeviceID(-1); }, LINEERR_BADDEVICEID, 0, true},
        {"id unchanged", [](TlkLineInternal& l) { l.SetDeviceID(0); }, 0, 0, true},
        {"another id closes first", [](TlkLineInternal& l) { l.SetDeviceID(2); }, 0, 2, false},
        {"unknown name", [](TlkLineInternal& l) { l.SetDeviceName("No Such Modem"); },
         LINEERR_BADDEVICEID, 0, true},
        {"listed name", [](TlkLineInternal& l) { l.SetDeviceName(deviceName(3)); }, 0, 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto line = makeLine(true);
        c.set(*line);
        EXPECT_EQ(line->Error().Number(), c.error) << line->Error().Name();
        EXPECT_EQ(line->Device.ID, c.id);
        EXPECT_EQ(line->Device.Active, c.active);
        EXPECT_EQ(line->Device.Name, deviceName(c.id));
        EXPECT_EQ(line->TAPI.TSP, exchange().config().lines[c.id].providerInfo);
    }
}

TEST_F(LineDevices, ChangingTheDeviceLogsItsSteps) {
    const auto line = makeLine(false);
    std::size_t mark = line->log().Lines().size();
    line->SetDeviceName(deviceName(1));
    EXPECT_EQ(linesSince(line->log(), mark),
              (Lines{"Device.Name := '" + deviceName(1) + "'", "Device.ID := 1",
                     "\tDevice.Count = 4", "Address.ID := 0", "\tAddress.Count = 1",
                     "\tAddress.Name = '" + line->Address.Name + "'",
                     "\tDevice.Name = '" + deviceName(1) + "'"}));
    mark = line->log().Lines().size();
    line->SetDeviceID(9);
    EXPECT_EQ(linesSince(line->log(), mark),
              (Lines{"Device.ID := 9", "<< Error >> LINEERR_BADDEVICEID [80000002]",
                     "\tDevice.Count = 4"}));
}

// ---- settings refused while the line is open ----

TEST_F(LineDevices, PrivilegesExcludeNoneAndWaitForAClosedLine) {
    struct Case {
        const char* name;
        TlkPrivilege before;
        void (*set)(TlkLineInternal&);
        bool open;
        TlkPrivilege after;
        LONG error;
        const char* logged;
    };
    static const Case cases[] = {
        {"none clears the others",
         {false, true, true},
         [](TlkLineInternal& l) { l.SetPrivilegeNone(true); },
         false,
         {true, false, false},
         0,
         "Device.Privilege.None := True"},
        {"monitor clears none",
         {true, false, false},
         [](TlkLineInternal& l) { l.SetPrivilegeMonitor(true); },
         false,
         {false, true, false},
         0,
         "Device.Privilege.Monitor := True"},
        {"owner clears none",
         {true, false, false},
         [](TlkLineInternal& l) { l.SetPrivilegeOwner(true); },
         false,
         {false, false, true},
         0,
         "Device.Privilege.Owner := True"},
        {"owner off",
         {false, true, true},
         [](TlkLineInternal& l) { l.SetPrivilegeOwner(false); },
         false,
         {false, true, false},
         0,
         "Device.Privilege.Owner := False"},
        {"none while open",
         {false, true, true},
         [](TlkLineInternal& l) { l.SetPrivilegeNone(true); },
         true,
         {false, true, true},
         LINEERR_INVALLINESTATE,
         "Device.Privilege.None := True"},
        {"monitor while open",
         {false, true, true},
         [](TlkLineInternal& l) { l.SetPrivilegeMonitor(false); },
         true,
         {false, true, true},
         LINEERR_INVALLINESTATE,
         "Device.Privilege.Monitor := False"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto line = makeLine(false);
        line->Privilege = c.before;
        if (c.open)
            line->SetDeviceActive(true);
        const std::size_t mark = line->log().Lines().size();
        c.set(*line);
        EXPECT_EQ(line->Error().Number(), c.error);
        EXPECT_EQ(linesSince(line->log(), mark).front(), c.logged);
        EXPECT_EQ(line->Privilege.None, c.after.None);
        EXPECT_EQ(line->Privilege.Monitor, c.after.Monitor);
        EXPECT_EQ(line->Privilege.Owner, c.after.Owner);
    }
}

TEST_F(LineDevices, DeviceSettingsWaitForAClosedLine) {
    struct Case {
        const char* name;
        void (*set)(TlkLineInternal&);
        std::string (*read)(const TlkLineInternal&);
        const char* before;
        const char* after;  // when the line is closed
        const char* logged;
    };
    static const Case cases[] = {
        {"idle delay", [](TlkLineInternal& l) { l.SetIdleDelay(2500); },
         [](const TlkLineInternal& l) { return std::to_string(l.Device.IdleDelay); }, "0", "2500",
         "Device.IdleDelay := [2500] //milliseconds"},
        {"comm class", [](TlkLineInternal& l) { l.SetCommDeviceClass("comm"); },
         [](const TlkLineInternal& l) { return l.Comm.DeviceClass; }, "comm/datamodem", "comm",
         "Comm.DeviceClass := \"comm\""},
        {"phone class", [](TlkLineInternal& l) { l.SetPhoneDeviceClass("tapi/line"); },
         [](const TlkLineInternal& l) { return l.Phone.DeviceClass; }, "tapi/phone", "tapi/line",
         "Phone.DeviceClass := \"tapi/line\""},
    };
    for (const Case& c : cases) {
        for (const bool open : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (open ? " while open" : " while closed"));
            const auto line = makeLine(open);
            const std::size_t mark = line->log().Lines().size();
            c.set(*line);
            EXPECT_EQ(line->Error().Number(), open ? LINEERR_INVALLINESTATE : 0);
            EXPECT_EQ(linesSince(line->log(), mark).front(), c.logged);
            EXPECT_EQ(c.read(*line), open ? c.before : c.after);
        }
    }
}

TEST_F(LineDevices, OpenMediaModesMustBeTheDevices) {
    const auto line = makeLine(false);
    const DWORD available = line->Device.MediaModes.Available;
    line->SetDeviceMediaModesActive(LINEMEDIAMODE_DATAMODEM);
    EXPECT_EQ(line->Device.MediaModes.Active, LINEMEDIAMODE_DATAMODEM);
    line->SetDeviceMediaModesActive(LINEMEDIAMODE_DATAMODEM | LINEMEDIAMODE_VIDEO);
    EXPECT_EQ(line->Device.MediaModes.Active, LINEMEDIAMODE_DATAMODEM);  // ignored
    EXPECT_EQ(line->Error().Number(), 0);
    line->SetDeviceMediaModesActive(available);
    EXPECT_EQ(line->Device.MediaModes.Active, available);
}

// ---- related devices ----

TEST_F(LineDevices, RelatedDevicesAreFoundThroughTheOpenLine) {
    struct Case {
        const char* name;
        LONG device;
        const char* phoneClass;
        bool privilegeNone;
        bool phoneAvailable;
        LONG phoneId;  // -1: the device's own id
        bool waveAvailable;
        bool lineHasWave = true;  // false: the line is a data and fax modem without a voice part
    };
    static const Case cases[] = {
        {"the handset of line 1", 0, "tapi/phone", false, true, 0, true},
        {"line 2 has no phone", 1, "tapi/phone", false, false, 0, true},
        {"another class", 2, "tapi/line", false, true, -1, true},
        {"no class: not asked", 0, "", false, false, 0, true},
        {"privilege none: nothing related", 0, "tapi/phone", true, false, 0, false},
        {"a data and fax modem", 1, "tapi/phone", false, false, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tapi::ExchangeConfig config = tapi::ExchangeConfig::defaults();
        config.lines[1].wave = c.lineHasWave;
        exchange().reset(config);
        const auto line = makeLine(false);
        line->SetDeviceID(c.device);
        line->SetPhoneDeviceClass(c.phoneClass);
        if (c.privilegeNone)
            line->SetPrivilegeNone(true);
        const std::size_t mark = line->log().Lines().size();
        line->SetDeviceActive(true);
        ASSERT_TRUE(line->Device.Active) << line->Error().Name();
        // A device the line lacks is no failure of the open.
        for (const std::string& logged : linesSince(line->log(), mark))
            EXPECT_EQ(logged.find("<< Error >>"), std::string::npos) << logged;
        EXPECT_EQ(line->Phone.Available, c.phoneAvailable);
        EXPECT_EQ(line->Phone.ID, c.phoneId == -1 ? c.device : c.phoneId);
        EXPECT_EQ(line->WaveRecord.Available, c.waveAvailable);
        EXPECT_EQ(line->WavePlay.Available, c.waveAvailable);
        if (c.waveAvailable) {
            EXPECT_EQ(line->WaveRecord.ID, LONG(exchange().line(c.device)->waveIn));
            EXPECT_EQ(line->WavePlay.ID, LONG(exchange().line(c.device)->waveOut));
        } else if (!c.privilegeNone) {
            EXPECT_EQ(line->WaveRecord.ID, 0);
            EXPECT_EQ(line->WavePlay.ID, 0);
        }
    }
}

// The comm handle of a data call is closed exactly once: a descriptor opened after it was closed
// (which takes the same number) must survive the end of the call.
TEST_F(LineDevices, TheCommHandleIsClosedExactlyOnce) {
    const auto line = makeLine(true);
    connectedCall(*line, LINEMEDIAMODE_DATAMODEM);
    ASSERT_FALSE(line->Comm.Available);  // not enabled yet
    line->SetCommEnabled(true);
    ASSERT_TRUE(line->Comm.Available);
    const int descriptor = static_cast<int>(line->Comm.Handle);
    ASSERT_NE(fcntl(descriptor, F_GETFD), -1);
    line->SetCommEnabled(true);  // a handle is held already: no second one
    EXPECT_EQ(line->Comm.Handle, static_cast<DWORD>(descriptor));

    line->SetCommEnabled(false);
    EXPECT_EQ(line->Comm.Handle, 0u);
    EXPECT_FALSE(line->Comm.Available);
    EXPECT_EQ(fcntl(descriptor, F_GETFD), -1);
    const int reused = open("/dev/null", O_RDONLY);
    ASSERT_EQ(reused, descriptor);
    ASSERT_TRUE(exchange().hangup(0));
    time.advance(10ms);
    line->SetDeviceActive(false);
    EXPECT_NE(fcntl(reused, F_GETFD), -1);
    close(reused);
}

TEST_F(LineDevices, OnlyADataCallHasACommHandle) {
    struct Case {
        const char* name;
        DWORD mediaMode;
        const char* commClass;
        bool available;
    };
    static const Case cases[] = {
        {"data call", LINEMEDIAMODE_DATAMODEM, "comm/datamodem", true},
        {"voice call", LINEMEDIAMODE_INTERACTIVEVOICE, "comm/datamodem", false},
        // The port's name is no handle: nothing is taken that could be closed.
        {"a class answered by name", LINEMEDIAMODE_DATAMODEM, "comm", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto line = makeLine(false);
        line->SetCommDeviceClass(c.commClass);
        line->SetDeviceActive(true);
        connectedCall(*line, c.mediaMode);
        line->SetCommEnabled(true);
        EXPECT_EQ(line->Comm.Available, c.available);
        EXPECT_EQ(line->Comm.Handle != 0, c.available);
        ASSERT_TRUE(exchange().hangup(0));
        time.advance(10ms);
        EXPECT_EQ(line->Comm.Handle, 0u);
    }
}

// ---- the configuration dialog ----

TEST_F(LineDevices, ConfigureReportsWhatTheDialogAnswers) {
    struct Case {
        const char* name;
        LONG failure;
        bool done;
    };
    static constexpr Case cases[] = {
        {"accepted", 0, true},
        {"refused", LINEERR_OPERATIONFAILED, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exchange().setInjectedFailure("lineConfigDialog", c.failure);
        const auto line = makeLine(false);
        const std::size_t mark = line->log().Lines().size();
        EXPECT_EQ(line->DeviceConfigure(), c.done);
        EXPECT_EQ(line->Error().Number(), c.failure);
        const Lines logged = linesSince(line->log(), mark);
        EXPECT_EQ(logged.front(), "Device.Configure");
        EXPECT_EQ(logged.back(),
                  "\tDevice.Configure - Returned = " + TlkVantage::BooleanText(c.done));
    }
}

}  // namespace
