// Engine events reaching the container's sink: DISPIDs, argument types and order, the event
// switch, failing sinks, and destruction.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <numeric>

#include "lkLK36/activex/lkPhoneImpl1.h"
#include "lkLK36/activex/lkPlayImpl1.h"
#include "lkLK36/activex/lkRecordImpl1.h"
#include "lkLK36/activex/tests/control_test_support.h"
#include "lkLK36/engines/lkLKConst.h"

namespace lkLK36::testing {
namespace {

using namespace std::chrono_literals;

constexpr DISPID kCallBegin = 2, kCallState = 9, kDigitReceived = 14, kError = 16, kIdle = 17,
                 kOffering = 20, kRing = 23, kDigitsGathered = 37;
constexpr DISPID kVantageEvents = 195;

tapi::IncomingCall caller() {
    tapi::IncomingCall call;
    call.number = "01632960123";
    call.name = "ANN SMITH";
    return call;
}

class LineEvents : public LineControlTest {
  protected:
    // Opens the line and rings it; returns after the first ring.
    void ring() {
        engine().SetDeviceActive(true);
        ASSERT_TRUE(engine().Device.Active);
        ASSERT_NE(tapi::exchange().ring(0, caller()), 0u);
        time.advance(10ms);
    }
};

TEST_F(LineEvents, EveryEventOfTheInterfaceIsHooked) {
    std::vector<DISPID> hooked = control->hookedEvents();
    std::sort(hooked.begin(), hooked.end());
    std::vector<DISPID> all(IlkLineEventsTable().members.size());
    std::iota(all.begin(), all.end(), 1);
    EXPECT_EQ(hooked, all);

    // The wave controls hook every event of their interfaces too.
    EXPECT_EQ(com::make<TlkPlay>()->hookedEvents(), (std::vector<DISPID>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(com::make<TlkRecord>()->hookedEvents(), (std::vector<DISPID>{1, 2, 3}));
}

TEST_F(LineEvents, ARingingLineReachesTheSinkByDispid) {
    const auto sink = connect();
    ring();
    const std::vector<DISPID> seen = sink->lineEventsBesidesTapi();
    EXPECT_EQ(seen, (std::vector<DISPID>{kCallBegin, kCallState, kOffering, kRing}));

    const SeenEvent* begin = sink->first(kCallBegin);
    ASSERT_TRUE(begin);
    ASSERT_EQ(begin->raw.size(), 1u);
    EXPECT_EQ(begin->raw[0].vt, VT_I4);
    EXPECT_EQ(static_cast<DWORD>(begin->raw[0].number), engine().Call.Handle);

    const SeenEvent* rung = sink->first(kRing);
    ASSERT_TRUE(rung);
    EXPECT_EQ(rung->flags, DISPATCH_METHOD);
    EXPECT_EQ(rung->namedArgs, 0u);
    EXPECT_FALSE(rung->wantsResult);
    // Count 0 and RingMode 1, laid out last argument first.
    ASSERT_EQ(rung->raw.size(), 2u);
    EXPECT_EQ(rung->raw[0].vt, VT_I4);
    EXPECT_EQ(rung->raw[0].number, 1);
    EXPECT_EQ(rung->raw[1].number, 0);

    ASSERT_TRUE(tapi::exchange().hangup(0));
    time.advance(10ms);
    EXPECT_EQ(sink->lineEventsBesidesTapi().back(), kIdle);
}

TEST_F(LineEvents, DigitsGoOutAsCharacterCodesAndTextsAsBstrs) {
    const auto sink = connect();
    struct Case {
        LONG digit;
        LONG code;
    };
    // The engine passes the character; it goes out zero-extended, whatever its sign as a char.
    static constexpr Case cases[] = {{'*', 42}, {'5', 53}, {'#', 35}, {-75, 181}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.digit);
        sink->seen.clear();
        engine().OnDigitReceived(engine(), 0x10203, c.digit, 99);
        ASSERT_EQ(sink->dispids(), std::vector<DISPID>{kDigitReceived});
        const std::vector<SeenArg>& raw = sink->seen[0].raw;
        ASSERT_EQ(raw.size(), 3u);
        EXPECT_EQ(raw[0].vt, VT_I4);  // Tag
        EXPECT_EQ(raw[0].number, 99);
        EXPECT_EQ(raw[1].vt, VT_I2);  // Digit
        EXPECT_EQ(raw[1].number, c.code);
        EXPECT_EQ(raw[2].vt, VT_I4);  // CallHandle
        EXPECT_EQ(raw[2].number, 0x10203);
    }

    sink->seen.clear();
    engine().OnDigitsGathered(engine(), 7, "", LINEGATHERTERM_BUFFERFULL, 3);
    engine().OnDigitsGathered(engine(), 7, "12#", LINEGATHERTERM_TERMDIGIT, 3);
    ASSERT_EQ(sink->dispids(), (std::vector<DISPID>{kDigitsGathered, kDigitsGathered}));
    EXPECT_EQ(sink->seen[0].raw[2].vt, VT_BSTR);
    EXPECT_TRUE(sink->seen[0].raw[2].nullText);
    EXPECT_EQ(sink->seen[1].raw[2].text, "12#");
    EXPECT_EQ(sink->seen[1].raw[1].number, LONG(LINEGATHERTERM_TERMDIGIT));
}

TEST_F(LineEvents, AFailingOperationRaisesOnError) {
    const auto sink = connect();
    engine().SetAddressID(5);  // the device has one address
    ASSERT_EQ(sink->dispids(), std::vector<DISPID>{kError});
    EXPECT_TRUE(sink->seen[0].raw.empty());
}

TEST_F(LineEvents, NothingArrivesWithoutASinkOrWhileEventsAreOff) {
    engine().SetAddressID(5);  // no sink yet: dropped
    const auto sink = connect();
    ASSERT_EQ(line.put(kVantageEvents, false), S_OK);
    engine().SetAddressID(5);
    ring();
    EXPECT_TRUE(sink->lineEventsBesidesTapi().empty());

    ASSERT_EQ(line.put(kVantageEvents, true), S_OK);
    ASSERT_EQ(com::disconnectSink(dispatchOf(control), DIID_IlkLineEvents, cookie), S_OK);
    engine().SetAddressID(5);
    ASSERT_TRUE(tapi::exchange().hangup(0));
    time.advance(10ms);
    EXPECT_TRUE(sink->lineEventsBesidesTapi().empty());
}

// A container handler that fails has still been given its event; the engine carries on.
TEST_F(LineEvents, AFailingSinkDoesNotBreakTheEngine) {
    const auto sink = connect();
    sink->answer = DISP_E_MEMBERNOTFOUND;
    ring();
    EXPECT_EQ(sink->lineEventsBesidesTapi(),
              (std::vector<DISPID>{kCallBegin, kCallState, kOffering, kRing}));
    EXPECT_NE(engine().Call.Handle, 0u);
    ASSERT_TRUE(tapi::exchange().hangup(0));
    time.advance(10ms);
    EXPECT_EQ(sink->lineEventsBesidesTapi().back(), kIdle);
    EXPECT_EQ(engine().Call.Handle, 0u);
}

TEST_F(LineEvents, AContainerMayReleaseTheControlInsideItsHandler) {
    const auto sink = connect();
    const TlkLifeGuard engineLife = engine().lifeGuard();
    sink->during = [this](DISPID dispid, DISPPARAMS&) {
        if (dispid == kRing) {
            line = com::Dispatch();
            control.reset();
        }
    };
    engine().SetDeviceActive(true);
    ASSERT_NE(tapi::exchange().ring(0, caller()), 0u);
    time.advance(10ms);
    EXPECT_FALSE(engineLife.alive());
    const std::size_t seen = sink->seen.size();
    time.advance(5s);  // the next ring finds no control
    EXPECT_EQ(sink->seen.size(), seen);
}

// ---- OnWarning's Continue, on an engine that raises it ----

// The wave engines come later; this engine raises their warning the way they will, so the
// forwarding of Continue is shown on the Record control's interface.
class WarningEngine : public TlkSharedControl {
  public:
    WarningEngine() { InitCtrl(lkKindRecord, "TLKRECORD", "lkRecord"); }
    // Announces itself while it goes, as an engine closing its device would.
    ~WarningEngine() override {
        if (OnError)
            OnError();
    }
    bool warn(bool initially) {
        bool goOn = initially;
        OnWarning(*this, goOn);
        return goOn;
    }
    std::function<void(WarningEngine&, bool& Continue)> OnWarning;
};

class WarningControl final : public TlkControl<WarningControl, WarningEngine> {
  public:
    static constexpr LONG kKind = lkKindRecord;
    WarningControl() : TlkControl(std::make_unique<WarningEngine>()) {
        forward(engine().OnError, 2);
        forward(engine().OnWarning, 3);
    }
    static const ControlIdentity& identity() { return kRecordIdentity; }
    static const com::TypeTable& typeTable() {
        static constexpr auto members = commonMembers<WarningControl>();
        static constexpr com::TypeTable table = dualInterfaceTable(kRecordIdentity, members);
        return table;
    }
    static const com::TypeTable& eventsTable() { return IlkRecordEventsTable(); }
};

class WarningEvents : public ::testing::Test {
  protected:
    com::Ptr<RecordingSink> connect() {
        auto sink = com::make<RecordingSink>(DIID_IlkRecordEvents);
        EXPECT_EQ(com::connectSink(dispatchOf(control), DIID_IlkRecordEvents, sink.get(), &cookie),
                  S_OK);
        return sink;
    }

    OwnProgramFolder folder;
    com::Ptr<WarningControl> control = com::make<WarningControl>();
    DWORD cookie = 0;
};

TEST_F(WarningEvents, ContinueCarriesTheContainersAnswerBack) {
    EXPECT_TRUE(control->engine().warn(true));  // no sink: the engine's value stands
    EXPECT_FALSE(control->engine().warn(false));

    const auto sink = connect();
    struct Case {
        const char* what;
        bool initially;
        SHORT answer;  // what the handler writes through the reference
        HRESULT result;
        bool expected;
    };
    static constexpr Case cases[] = {
        {"answers 1", false, 1, S_OK, true},
        {"answers -1", false, -1, S_OK, true},
        {"answers 0", true, 0, S_OK, false},
        {"fails after writing 0", true, 0, E_FAIL, true},
        {"fails after writing 1", false, 1, E_FAIL, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sink->seen.clear();
        sink->answer = c.result;
        sink->during = [&c](DISPID, DISPPARAMS& params) {
            *params.rgvarg[0].pboolVal = static_cast<VARIANT_BOOL>(c.answer);
        };
        EXPECT_EQ(control->engine().warn(c.initially), c.expected);
        ASSERT_EQ(sink->dispids(), std::vector<DISPID>{3});
        ASSERT_EQ(sink->seen[0].raw.size(), 1u);
        EXPECT_EQ(sink->seen[0].raw[0].vt, VT_BYREF | VT_BOOL);
        EXPECT_EQ(sink->seen[0].raw[0].number, c.initially ? VARIANT_TRUE : VARIANT_FALSE);
    }
}

TEST_F(WarningEvents, AnEventFiredDuringDestructionReachesNoSink) {
    const auto sink = connect();
    control->engine().OnError();
    ASSERT_EQ(sink->dispids(), std::vector<DISPID>{2});
    control.reset();  // the engine raises OnError as it goes
    EXPECT_EQ(sink->dispids(), std::vector<DISPID>{2});
}

}  // namespace
}  // namespace lkLK36::testing
