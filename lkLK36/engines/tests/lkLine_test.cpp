// The Line engine's set-up and line open against the simulated exchange, in virtual time.
#include "lkLK36/engines/lkLine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/tests/line_fixture.h"
#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"

namespace {

using tapi::exchange;
using Lines = std::vector<std::string>;

class LineEngine : public ::testing::Test {
  protected:
    LineEngine() {
        exchange().reset();
        setLkDeviceActiveRequested(false);
    }
    ~LineEngine() override { exchange().reset(); }

    OwnProgramFolder folder;
    core::VirtualTime time;
};

TEST_F(LineEngine, ListsTheExchangesDevicesAtCreation) {
    const auto line = makeLoggingLine();
    EXPECT_TRUE(line->tapiReady());
    EXPECT_EQ(line->Error().Number(), 0);
    EXPECT_EQ(line->log().Lines()[0], "Quillonv3.60");
    EXPECT_EQ(line->log().Lines()[1], "Create lkLine");
    ASSERT_EQ(line->Device.Count, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(line->Device.List[i], exchange().config().lines[i].name);
    }
    EXPECT_EQ(line->Device.Name, exchange().config().lines[0].name);
    EXPECT_EQ(line->TAPI.TSP, exchange().config().lines[0].providerInfo);
    EXPECT_EQ(line->TAPI.ApiVersion, TAPI_VERSION2_2);
    EXPECT_EQ(line->TAPI.Version, 2u);
    EXPECT_EQ(line->TAPI.Subversion, 2u);
    EXPECT_EQ(line->TAPI.ReplyTimeout, 60000);
    EXPECT_EQ(line->Device.MediaModes.Available, exchange().config().lines[0].mediaModes);
    EXPECT_EQ(line->Address.Count, 1);
    EXPECT_EQ(line->Address.ID, 0);
    EXPECT_EQ(line->Address.List.size(), 1u);
    EXPECT_FALSE(line->Address.Name.empty());
    EXPECT_TRUE(line->Call.Parameters.Defaults);
    EXPECT_EQ(line->Call.Parameters.BearerMode, LONG(LINEBEARERMODE_VOICE));
    EXPECT_EQ(line->Call.Parameters.MediaMode, LONG(LINEMEDIAMODE_INTERACTIVEVOICE));
    EXPECT_EQ(line->Transfer.Parameters.MediaMode, LONG(LINEMEDIAMODE_INTERACTIVEVOICE));
    EXPECT_TRUE(line->Privilege.Monitor && line->Privilege.Owner && !line->Privilege.None);
    EXPECT_EQ(line->WavePlay.DeviceClass(), "wave/out");
    EXPECT_EQ(line->WaveRecord.DeviceClass(), "wave/in");
    EXPECT_FALSE(line->Device.Active);
}

TEST_F(LineEngine, InitialisesWithoutTheExEntry) {
    struct Case {
        const char* name;
        bool entryMissing;
        LONG exFailure;
        LONG plainFailure;
        bool ready;
    };
    static constexpr Case cases[] = {
        {"entry missing", true, 0, 0, true},
        {"entry fails", false, LINEERR_OPERATIONFAILED, 0, true},
        {"both fail", false, LINEERR_OPERATIONFAILED, LINEERR_NODRIVER, false},
        {"entry refuses otherwise", false, LINEERR_REINIT, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exchange().reset();
        exchange().setExEntriesMissing(c.entryMissing);
        exchange().setInjectedFailure("lineInitializeEx", c.exFailure);
        exchange().setInjectedFailure("lineInitialize", c.plainFailure);
        const auto line = makeLoggingLine();
        EXPECT_EQ(line->tapiReady(), c.ready);
        EXPECT_EQ(line->Device.Count, c.ready ? 4 : 0);
        if (!c.ready) {
            EXPECT_EQ(line->LineAppHandle(), 0u);
            EXPECT_EQ(line->Error().Number(), -1);  // the device refresh then finds TAPI not ready
            EXPECT_FALSE(line->OpenDevice(0));
        }
    }
}

TEST_F(LineEngine, ListsDevicesWhoseVersionCannotBeAgreed) {
    exchange().setInjectedFailure("lineNegotiateAPIVersion", LINEERR_INCOMPATIBLEAPIVERSION);
    const auto line = makeLoggingLine();
    ASSERT_EQ(line->Device.List.size(), 4u);
    // Listed in the syntax of the day: Visual Basic at creation.
    EXPECT_EQ(line->Device.List[3],
              "DeviceName unavailable: [8000000C]  LINEERR_INCOMPATIBLEAPIVERSION");
    EXPECT_EQ(line->Error().Name(), "LINEERR_INCOMPATIBLEAPIVERSION");
    EXPECT_EQ(line->TAPI.Version, 0u);
    EXPECT_FALSE(line->OpenDevice(0));
}

TEST_F(LineEngine, ReadsStructuresThatNeedMoreThan4096Bytes) {
    exchange().setLargeStructures(true);
    const auto line = makeLoggingLine();
    EXPECT_EQ(line->Error().Number(), 0);
    EXPECT_EQ(line->Device.List[0], exchange().config().lines[0].name);
    line->SetDeviceActive(true);
    EXPECT_TRUE(line->Device.Active);
    EXPECT_EQ(line->WaveRecord.ID, LONG(exchange().line(0)->waveIn));
}

TEST_F(LineEngine, OpensAndClosesTheLine) {
    const auto line = makeLoggingLine();
    const std::size_t before = line->log().Lines().size();
    line->SetDeviceActive(true);
    ASSERT_TRUE(line->Device.Active) << line->Error().Name();
    EXPECT_NE(line->LineHandle(), 0u);
    EXPECT_TRUE(lkDeviceActiveRequested());
    EXPECT_EQ(line->WavePlay.ID, LONG(exchange().line(0)->waveOut));
    EXPECT_EQ(line->WaveRecord.ID, LONG(exchange().line(0)->waveIn));
    EXPECT_TRUE(line->WavePlay.Available && line->WaveRecord.Available);
    EXPECT_TRUE(line->Phone.Available);
    EXPECT_EQ(line->Phone.ID, 0);
    EXPECT_EQ(line->Call.List, TlkStringList{"00000000"});
    EXPECT_EQ(line->Device.OpenCount, 1u);
    const Lines opened = linesSince(line->log(), before);
    ASSERT_GE(opened.size(), 7u);
    EXPECT_EQ(Lines(opened.begin(), opened.begin() + 4),
              (Lines{"Device.Active := True", "\tDevice.ID = 0", "\tDevice.Count = 4",
                     "\tDevice.Name = '" + exchange().config().lines[0].name + "'"}));
    EXPECT_EQ(opened[4].rfind("\tCallBackInstance = ", 0), 0u);
    EXPECT_EQ(opened[4].size(), std::string("\tCallBackInstance = ").size() + 8);
    EXPECT_EQ(Lines(opened.begin() + 5, opened.begin() + 8),
              (Lines{"Address.ID := 0", "\tAddress.Count = 1",
                     "\tAddress.Name = '" + line->Address.Name + "'"}));

    line->SetDeviceActive(false);
    EXPECT_FALSE(line->Device.Active);
    EXPECT_EQ(line->LineHandle(), 0u);
    EXPECT_EQ(line->WavePlay.ID, 0);
    EXPECT_FALSE(lkDeviceActiveRequested());
    EXPECT_EQ(line->log().Lines().back(), "\tDevice.Name = '" + line->Device.Name + "'");
}

TEST_F(LineEngine, PrivilegesDecideTheRelatedWaveDevices) {
    struct Case {
        bool none, monitor, owner;
        LONG playId, recordId;  // -1: the line's own device
    };
    static constexpr Case cases[] = {
        {false, true, true, -1, -1},
        {false, true, false, -2, -1},
        {true, false, false, 0, 0},  // no calls at all: nothing related is looked up
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.none) + std::to_string(c.monitor) + std::to_string(c.owner));
        const auto line = makeLoggingLine();
        line->Privilege = TlkPrivilege{c.none, c.monitor, c.owner};
        line->SetDeviceActive(true);
        ASSERT_TRUE(line->Device.Active) << line->Error().Name();
        const LONG waveOut = LONG(exchange().line(0)->waveOut);
        const LONG waveIn = LONG(exchange().line(0)->waveIn);
        EXPECT_EQ(line->WavePlay.ID, c.playId == -1 ? waveOut : c.playId);
        EXPECT_EQ(line->WaveRecord.ID, c.recordId == -1 ? waveIn : c.recordId);
    }
}

TEST_F(LineEngine, FindsTheCallsAlreadyOnTheLineAndDropsThemOnClose) {
    tapi::IncomingCall caller;
    caller.number = "01632960123";
    ASSERT_NE(exchange().ring(0, caller), 0u);
    time.runUntilIdle();
    const auto line = makeLoggingLine();
    line->SetDeviceActive(true);
    ASSERT_TRUE(line->Device.Active) << line->Error().Name();
    ASSERT_EQ(line->Call.Count, 1);
    ASSERT_EQ(line->Call.List.size(), 2u);
    EXPECT_EQ(line->Call.List[0], "00000000");
    EXPECT_EQ(line->Call.Handle, std::stoul(line->Call.List[1], nullptr, 16));
    line->SetDeviceActive(false);
    EXPECT_FALSE(line->Device.Active);
    EXPECT_EQ(line->Call.Count, 0);
    EXPECT_EQ(line->Call.Handle, 0u);
}

TEST_F(LineEngine, LoadedOpensOnlyWhenTheLastRequestWasToOpen) {
    const auto first = makeLoggingLine();
    first->Loaded();
    EXPECT_FALSE(first->Device.Active);
    first->SetDeviceActive(true);
    const auto second = makeLoggingLine();
    second->Loaded();
    EXPECT_TRUE(second->Device.Active);
    second->SetDeviceActive(false);
    const auto third = makeLoggingLine();
    third->Loaded();
    EXPECT_FALSE(third->Device.Active);
}

TEST_F(LineEngine, DestroyingAnOpenControlClosesItsLine) {
    auto line = makeLoggingLine();
    line->SetDeviceActive(true);
    ASSERT_TRUE(line->Device.Active);
    line.reset();
    const auto other = makeLoggingLine();
    other->SetDeviceActive(true);
    EXPECT_EQ(other->Device.OpenCount, 1u);  // only this control has it open
}

TEST_F(LineEngine, IdleTimerFiresOnceWithTheCurrentCall) {
    const auto line = makeLoggingLine();
    int fired = 0;
    line->OnIdle = [&](TlkLineInternal&, DWORD call) {
        ++fired;
        EXPECT_EQ(call, 0u);
    };
    line->idleTimer().setInterval(300);
    line->idleTimer().setEnabled(true);
    time.advance(std::chrono::milliseconds(1000));
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(line->log().Lines().back(), "\tlkLine.Device.IdleDelay - Complete ");
}

TEST_F(LineEngine, SetLocationReportsWhatTheDialogAnswers) {
    const auto line = makeLoggingLine();
    EXPECT_TRUE(line->SetLocation());
    EXPECT_EQ(linesSince(line->log(), line->log().Lines().size() - 2),
              (Lines{"SetLocation", "\tSetLocation - Returned = True"}));
    exchange().setInjectedFailure("lineTranslateDialog", LINEERR_OPERATIONUNAVAIL);
    EXPECT_FALSE(line->SetLocation());
    EXPECT_EQ(line->Error().Name(), "LINEERR_OPERATIONUNAVAIL");
    EXPECT_EQ(line->log().Lines().back(), "\tSetLocation - Returned = False");
}

TEST_F(LineEngine, SetLocationKeepsTheNumberAsDialled) {
    const auto line = makeLoggingLine();
    line->Call.PhoneNumber = "+1 (555) 123-45.67";
    line->Device.UnformatPhoneNumber = false;
    EXPECT_TRUE(line->SetLocation());
    EXPECT_EQ(line->Call.PhoneNumber, "+1 (555) 123-45.67");
    line->Device.UnformatPhoneNumber = true;
    EXPECT_TRUE(line->SetLocation());
    EXPECT_EQ(line->Call.PhoneNumber, "15551234567");
}

}  // namespace
