// Each button, menu item, list and edit of the Line window reaches the operation it names: the
// user acts on it, and the simulated exchange shows what the control asked of it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/vantage/tests/line_window_fixture.h"
#include "platform/tapi/provider.h"

namespace {

using tapi::exchange;
using tapi::Op;

// The far end answers after two rings of 5 s.
constexpr auto UntilAnswered = 20s;

// Where the line stands before the user acts; calls are named c1, c2, c3 in the order the
// exchange made them.
enum class Before {
    LineClosed,
    LineOpen,      // no call
    Offered,       // an incoming call rings (c1)
    Connected,     // the incoming call is answered (c1)
    Held,          // the answered call is on hold (c1)
    Transferring,  // c1 held for a transfer, its consultation call c2 answered
    Conferencing,  // c1 conferenced; the conference call c2 held for it, the consultation call
                   // c3 answered
    DataCall,      // an incoming data call rings (c1)
    FaxAppOnLine,  // as Connected, and another application ("faxapp") owns the line's fax calls
    TwoAddresses,  // no call, on a line with two addresses
};

// A user's step: a button or check box clicked, a menu item chosen from its menu as it opens, a
// list's item (by index) chosen as it drops down, an edit typed into and left (or only typed
// into, when `leave` is false).
struct Step {
    const char* component;
    const char* text = "";
    bool leave = true;
};

struct Row {
    const char* name;
    Before before;
    std::vector<Step> prepare;
    // Each acted on in a run of its own, from the same start.
    std::vector<Step> components;
    // Steps after the action, whose requests count with the action's.
    std::vector<Step> then;
    // The requests the exchange took meanwhile, as `described` writes them.
    std::vector<std::string> seen;
    // What else the exchange shows afterwards.
    std::function<void(TlkLineInternal&)> check = {};
};

// The requests a line takes, by name (the handset's are no Line window's business).
constexpr std::pair<Op, const char*> kLineOps[] = {
    {Op::MakeCall, "MakeCall"},
    {Op::Dial, "Dial"},
    {Op::Answer, "Answer"},
    {Op::Drop, "Drop"},
    {Op::Redirect, "Redirect"},
    {Op::Park, "Park"},
    {Op::Unpark, "Unpark"},
    {Op::Pickup, "Pickup"},
    {Op::Hold, "Hold"},
    {Op::Unhold, "Unhold"},
    {Op::BlindTransfer, "BlindTransfer"},
    {Op::SetupTransfer, "SetupTransfer"},
    {Op::CompleteTransfer, "CompleteTransfer"},
    {Op::SetupConference, "SetupConference"},
    {Op::PrepareAddToConference, "PrepareAddToConference"},
    {Op::AddToConference, "AddToConference"},
    {Op::RemoveFromConference, "RemoveFromConference"},
    {Op::SwapHold, "SwapHold"},
    {Op::Forward, "Forward"},
    {Op::SetTerminal, "SetTerminal"},
    {Op::SetCallParams, "SetCallParams"},
};

// A request in one line: the operation, its calls (by name; "new" for one made since), the
// number, the mode by its constant's name, the address when not the first, the forwarding entries.
std::string described(const tapi::Request& r, const std::vector<tapi::CallId>& calls) {
    const auto callName = [&](tapi::CallId id) {
        const auto it = std::find(calls.begin(), calls.end(), id);
        return it == calls.end() ? std::string("new")
                                 : "c" + std::to_string(it - calls.begin() + 1);
    };
    std::string text = "?";
    for (const auto& [op, name] : kLineOps) {
        if (op == r.op)
            text = name;
    }
    if (r.call != 0)
        text += " " + callName(r.call);
    if (r.otherCall != 0)
        text += " " + callName(r.otherCall);
    if (!r.text.empty())
        text += " '" + r.text + "'";
    if (r.op == Op::Park)
        text += " " + LineParkModeName(static_cast<LONG>(r.mode));
    if (r.op == Op::CompleteTransfer)
        text += " " + LineTransferModeName(static_cast<LONG>(r.mode));
    if (r.address != 0)
        text += " address " + std::to_string(r.address);
    // What call parameters give beyond a plain voice call.
    if (r.mediaMode != 0 && r.mediaMode != LINEMEDIAMODE_INTERACTIVEVOICE)
        text += " " + LineMediaModeName(static_cast<LONG>(r.mediaMode));
    if (r.noAnswerTimeout != 0)
        text += " timeout " + std::to_string(r.noAnswerTimeout);
    for (const tapi::ForwardEntry& f : r.forwards) {
        text += " " + LineForwardModeName(static_cast<LONG>(f.mode)) + " from '" + f.caller +
                "' to '" + f.destination + "'";
    }
    return text;
}

// The last request of each kind, described.
std::map<Op, std::string> lastRequests(const std::vector<tapi::CallId>& calls) {
    std::map<Op, std::string> last;
    for (const auto& [op, name] : kLineOps) {
        if (const tapi::Request* r = exchange().lastRequest(op))
            last[op] = described(*r, calls);
    }
    return last;
}

void otherApplicationCallback(DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

struct Wiring {
    const Row* row;
    Step component;
};
void PrintTo(const Wiring& wiring, std::ostream* os) {
    *os << wiring.row->name << ": " << wiring.component.component;
}

// The current call by the name the exchange's calls have, as `described` names them.
std::string currentCall(const TlkLineInternal& line) {
    const std::vector<tapi::CallId> calls = exchange().callsOn(0);
    const auto it = std::find(calls.begin(), calls.end(), line.Call.ID);
    return line.Call.Handle == 0 || it == calls.end()
               ? std::string("none")
               : "c" + std::to_string(it - calls.begin() + 1);
}

// How the exchange lists a line: who has it open and how, and its calls.
std::string listed(DWORD device) {
    const std::string all = exchange().list();
    std::size_t begin = 0;
    for (DWORD d = 0; d < device && begin != std::string::npos; ++d)
        begin = all.find('\n', begin) + 1;
    return all.substr(begin, all.find('\n', begin) - begin);
}

std::function<void(TlkLineInternal&)> listedAs(DWORD device, const char* text) {
    return [device, text](TlkLineInternal&) {
        EXPECT_NE(listed(device).find(text), std::string::npos) << listed(device);
    };
}

// A button that shows a call of a group makes it current and shows the Call page.
std::function<void(TlkLineInternal&)> showsCall(const char* call) {
    return [call](TlkLineInternal& line) {
        EXPECT_EQ(currentCall(line), call);
        const auto* window = dynamic_cast<TlkLineVantage*>(line.Vantage().form());
        ASSERT_TRUE(window);
        EXPECT_EQ(window->component<QTabWidget>("PageControl1")->currentWidget(),
                  window->component("TabSheetCall"));
    };
}

const std::vector<Row>& rows() {
    static const std::vector<Row> all = {
        // ---- the device: opening it, closing it, the one opened and how ----
        {"Open",
         Before::LineClosed,
         {},
         {{"MenuDeviceActive"}, {"SpeedButtonDeviceActive"}},
         {},
         {},
         listedAs(0, "(owner+monitor)")},
        {"Close",
         Before::LineOpen,
         {},
         {{"MenuDeviceActive"}, {"SpeedButtonDeviceActive"}, {"SpeedButtonDeviceInactive"}},
         {},
         {},
         listedAs(0, ": closed")},
        {"Device",
         Before::LineClosed,
         {},
         {{"ComboBoxDevice", "1"}},
         {{"MenuDeviceActive"}},
         {},
         [](TlkLineInternal&) {
             EXPECT_NE(listed(0).find(": closed"), std::string::npos) << listed(0);
             EXPECT_NE(listed(1).find(": open by"), std::string::npos) << listed(1);
         }},
        {"PrivilegeOwner",
         Before::LineClosed,
         {},
         {{"MenuDevicePrivilegeOwner"}},
         {{"MenuDeviceActive"}},
         {},
         listedAs(0, "(monitor)")},
        {"PrivilegeMonitor",
         Before::LineClosed,
         {},
         {{"MenuDevicePrivilegeMonitor"}},
         {{"MenuDeviceActive"}},
         {},
         listedAs(0, "(owner)")},

        // ---- the call's own operations: the Control page, the speed buttons, the Call menu ----
        {"Dial",
         Before::LineOpen,
         {{"EditPhoneNumber", "201", false}},  // the action commits what is typed
         {{"ButtonCallPhoneNumber"},
          {"SpeedButtonCallPhoneNumber"},
          {"MenuCallDial"},
          {"MenuCallActive"}},
         {},
         {"MakeCall '201'"}},
        {"Answer",
         Before::Offered,
         {},
         {{"ButtonCallAnswer"}, {"SpeedButtonCallAnswer"}, {"MenuCallAnswer"}},
         {},
         {"Answer c1"}},
        {"Hangup",
         Before::Connected,
         {},
         {{"ButtonCallHangup"}, {"SpeedButtonCallHangup"}, {"MenuCallHangup"}, {"MenuCallActive"}},
         {},
         {"Drop c1"}},
        {"Hold",
         Before::Connected,
         {},
         {{"ButtonCallHold"}, {"SpeedButtonCallHold"}, {"MenuCallHold"}},
         {},
         {"Hold c1"}},
        {"Unhold",
         Before::Held,
         {},
         {{"ButtonCallUnhold"}, {"SpeedButtonCallUnhold"}, {"MenuCallUnhold"}},
         {},
         {"Unhold c1"}},
        {"Park",
         Before::Connected,
         {{"EditCallParkPhoneNumber", "701"}},
         {{"ButtonCallPark"}, {"SpeedButtonCallPark"}, {"MenuCallPark"}},
         {},
         {"Park c1 '701' LINEPARKMODE_DIRECTED"}},
        {"Unpark",
         Before::LineOpen,
         {{"EditCallUnparkPhoneNumber", "701"}},
         {{"ButtonCallUnpark"}, {"SpeedButtonCallUnpark"}, {"MenuCallUnpark"}},
         {},
         {"Unpark '701'"}},
        {"Pickup",
         Before::LineOpen,
         {{"EditCallPickupPhoneNumber", "202"}, {"EditCallPickupGroupID", "7"}},
         {{"ButtonCallPickup"}, {"SpeedButtonCallPickup"}, {"MenuCallPickup"}},
         {},
         {"Pickup '202'"}},
        {"Redirect",
         Before::Offered,
         {{"EditCallRedirectPhoneNumber", "203"}},
         {{"ButtonCallRedirect"}, {"SpeedButtonCallRedirect"}, {"MenuCallRedirect"}},
         {},
         {"Redirect c1 '203'"}},
        {"BlindTransfer",
         Before::Connected,
         {{"EditPhoneNumber", "204"}},  // left: the call's number is the one it goes to
         {{"ButtonCallTransfer"}, {"MenuCallTransfer"}},
         {},
         {"BlindTransfer c1 '204'"}},
        {"Handoff",
         Before::FaxAppOnLine,
         {{"EditHandoffApp", "faxapp"}},
         {{"ButtonCallHandoff"}, {"MenuCallHandoff"}},
         {},
         {},  // no request: the call changes hands between the applications
         [](TlkLineInternal& line) {
             EXPECT_NE(exchange().list().find("(1 owner, 1 monitor)"), std::string::npos)
                 << exchange().list();
             EXPECT_FALSE(line.Call.Owner);
         }},
        {"SendDigits",
         Before::Connected,
         {{"EditSendDigits", "42#"}, {"EditSendDigitsDuration", "100"}},
         {{"ButtonSendDigits"}, {"MenuCallSendDigits"}},
         {},
         {},
         [](TlkLineInternal&) { EXPECT_EQ(exchange().generatedOn(0), "42#"); }},
        {"SendTone",
         Before::Connected,
         {{"ComboBoxSendTone", "3"}, {"EditSendToneDuration", "200"}},
         {{"ButtonCallSendTone"}, {"MenuCallSendTone"}},
         {},
         {},
         [](TlkLineInternal&) {
             EXPECT_EQ(exchange().generatedOn(0),
                       "<tone " + std::to_string(LINETONEMODE_BEEP) + ">");
         }},

        // The call list's first entry is the empty handle.
        {"CallList",
         Before::Transferring,
         {},
         {{"ComboBoxCall", "1"}},
         {},
         {},
         [](TlkLineInternal& line) { EXPECT_EQ(currentCall(line), "c1"); }},
        // Defaults off: the parameters typed before count for the call made next.
        {"CallParameters",
         Before::LineOpen,
         {{"EditCPMediaMode", "$10"},
          {"EditCPNoAnswerTimeOut", "30"},
          {"EditPhoneNumber", "201", false}},
         {{"CheckBoxCPDefaults"}},
         {{"ButtonCallPhoneNumber"}},
         {"MakeCall '201' LINEMEDIAMODE_DATAMODEM timeout 30"}},

        // ---- the Transfer page and menu ----
        {"TransferDial",
         Before::Connected,
         {{"ComboBoxTransferPrimaryCall", "0"}, {"EditTransferPhoneNumber", "205", false}},
         {{"ButtonTransferDial"}, {"MenuTransferDial"}},
         {},
         {"SetupTransfer c1", "Dial new '205'"}},
        {"TransferComplete",
         Before::Transferring,
         {},
         {{"ButtonTransferComplete"}, {"MenuTransferComplete"}},
         {},
         {"CompleteTransfer c1 c2 LINETRANSFERMODE_TRANSFER"}},
        {"TransferThreeWay",
         Before::Transferring,
         {},
         {{"ButtonTransferThreeWay"}, {"MenuTransferThreeWay"}},
         {},
         {"CompleteTransfer c1 c2 LINETRANSFERMODE_CONFERENCE"}},
        // The answered consultation call is the active one, the primary the held one.
        {"TransferSwapHold",
         Before::Transferring,
         {},
         {{"ButtonTransferSwapHold"}, {"MenuTransferSwapHold"}},
         {},
         {"SwapHold c2 c1"}},

        {"TransferParameters",
         Before::Connected,
         {{"ComboBoxTransferPrimaryCall", "0"},
          {"EditTPMediaMode", "$10"},
          {"EditTPNoAnswerTimeOut", "30"},
          {"EditTransferPhoneNumber", "205"}},
         {{"CheckBoxTPDefaults"}},
         {{"ButtonTransferDial"}},
         {"SetupTransfer c1 LINEMEDIAMODE_DATAMODEM timeout 30", "Dial new '205'"}},
        // From no current call, each button shows the group's call it names.
        {"ShowTransferPrimaryCall",
         Before::Transferring,
         {{"ComboBoxCall", "0"}},
         {{"TransferPrimaryCall"}},
         {},
         {},
         showsCall("c1")},
        {"ShowTransferConsultCall",
         Before::Transferring,
         {{"ComboBoxCall", "0"}},
         {{"ButtonTransferConsultCall"}},
         {},
         {},
         showsCall("c2")},
        {"ShowTransferThreeWayCall",
         Before::Transferring,
         {{"ButtonTransferThreeWay"}, {"ComboBoxCall", "0"}},
         {{"ButtonTransfer3WayCall"}},
         {},
         {},
         showsCall("c3")},

        // ---- the Conference page ----
        {"ConferenceDial",
         Before::Connected,
         {{"ComboBoxConferencePrimaryCall", "0"}, {"EditConferencePhoneNumber", "206", false}},
         {{"ButtonConferenceDial"}},
         {},
         {"SetupConference c1", "Dial new '206'"}},
        {"ConferenceAddCall",
         Before::Conferencing,
         {},
         {{"ButtonConferenceAddCall"}},
         {},
         {"AddToConference c2 c3"}},
        // The held conference call chosen as the primary: the answered consultation call is the
        // active one.
        {"ConferenceSwapHold",
         Before::Conferencing,
         {{"ComboBoxConferencePrimaryCall", "2"}},  // the list: c1, c3, c2
         {{"ButtonConferenceSwapHold"}},
         {},
         {"SwapHold c3 c2"}},

        {"ConferenceParameters",
         Before::Connected,
         {{"ComboBoxConferencePrimaryCall", "0"},
          {"EditConferencePMediaMode", "$10"},
          {"EditConferencePNoAnswerTimeOut", "30"},
          {"EditConferencePhoneNumber", "206"}},
         {{"CheckBoxConferencePDefaults"}},
         {{"ButtonConferenceDial"}},
         {"SetupConference c1 LINEMEDIAMODE_DATAMODEM timeout 30", "Dial new '206'"}},
        {"ShowConferencePrimaryCall",
         Before::Conferencing,
         {{"ComboBoxCall", "0"}},
         {{"ConferencePrimaryCall"}},
         {},
         {},
         showsCall("c1")},
        {"ShowConferenceCall",
         Before::Conferencing,
         {{"ComboBoxCall", "0"}},
         {{"ButtonConferenceHandle"}},
         {},
         {},
         showsCall("c2")},
        {"ShowConferenceConsultCall",
         Before::Conferencing,
         {{"ComboBoxCall", "0"}},
         {{"ButtonConferenceConsultCall"}},
         {},
         {},
         showsCall("c3")},

        // ---- the Comm menu ----
        // A data call's comm handle is the exchange's: asked for when the switch goes on, closed
        // when it goes off.
        {"CommEnabled",
         Before::DataCall,
         {},
         {{"MenuCommEnabled"}},
         {},
         {},
         [](TlkLineInternal& line) {
             EXPECT_TRUE(line.Comm.Enabled);
             EXPECT_NE(line.Comm.Handle, 0u);
         }},
        {"CommDisabled",
         Before::DataCall,
         {{"MenuCommEnabled"}},
         {{"MenuCommEnabled"}},
         {},
         {},
         [](TlkLineInternal& line) {
             EXPECT_FALSE(line.Comm.Enabled);
             EXPECT_EQ(line.Comm.Handle, 0u);
         }},

        // ---- the Address page ----
        // The address chosen is the one the line's next request names.
        {"Address",
         Before::TwoAddresses,
         {},
         {{"ComboBoxAddress", "1"}},
         {{"EditCallUnparkPhoneNumber", "701"}, {"ButtonCallUnpark"}},
         {"Unpark '701' address 1"}},
        {"ForwardOn",
         Before::LineOpen,
         {{"EditAFCaller", "201"}, {"EditAFMode", "$10"}, {"EditAFPhoneNumber", "207"}},
         {{"CheckBoxAFActive"}},
         {},
         {"Forward LINEFORWARDMODE_BUSY from '201' to '207'"}},
        {"ForwardOff",
         Before::LineOpen,
         {{"EditAFMode", "1"}, {"EditAFPhoneNumber", "207"}, {"CheckBoxAFActive"}},
         {{"CheckBoxAFActive"}},
         {},
         {"Forward"}},
    };
    return all;
}

std::vector<Wiring> wirings() {
    std::vector<Wiring> all;
    for (const Row& row : rows()) {
        for (const Step& component : row.components)
            all.push_back({&row, component});
    }
    return all;
}

class LineWiring : public LineWindowTest, public ::testing::WithParamInterface<Wiring> {
  protected:
    ~LineWiring() override {
        if (m_faxApp != 0)
            lineShutdown(m_faxApp);
    }

    void setUp(Before before) {
        if (before == Before::TwoAddresses) {
            line.reset();
            tapi::ExchangeConfig config = tapi::ExchangeConfig::defaults();
            config.lines[0].addresses = 2;
            exchange().reset(config);
            newLine();
        }
        if (before == Before::FaxAppOnLine)
            openFaxApp();
        if (before == Before::LineClosed)
            return;
        line->SetDeviceActive(true);
        ASSERT_TRUE(line->Device.Active);
        switch (before) {
            case Before::LineOpen:
            case Before::TwoAddresses:
                return;
            case Before::DataCall:
                ring(LINEMEDIAMODE_DATAMODEM);
                return;
            case Before::Offered:
                ring(LINEMEDIAMODE_INTERACTIVEVOICE);
                return;
            default:
                break;
        }
        ring(LINEMEDIAMODE_INTERACTIVEVOICE);
        const DWORD call = line->Call.Handle;
        ASSERT_TRUE(line->Call.Answer());
        time.advance(10ms);
        switch (before) {
            case Before::Held:
                ASSERT_TRUE(line->Call.Hold());
                break;
            case Before::Transferring:
                line->SetTransferPrimaryCall(call);
                line->SetTransferPhoneNumber("201");
                ASSERT_TRUE(line->TransferDial());
                time.advance(UntilAnswered);
                break;
            case Before::Conferencing:
                line->SetConferencePrimaryCall(call);
                line->SetConferencePhoneNumber("202");
                ASSERT_TRUE(line->ConferenceDial());
                time.advance(UntilAnswered);
                break;
            default:
                break;
        }
        time.advance(10ms);
    }

    void ring(DWORD mediaMode) {
        tapi::IncomingCall caller;
        caller.number = "01632960123";
        caller.mediaMode = mediaMode;
        caller.ringIntervalMs = 60000;  // no ring while the test waits
        ASSERT_NE(exchange().ring(0, caller), 0u);
        time.advance(1600ms);
        ASSERT_NE(line->Call.Handle, 0u);
    }

    void openFaxApp() {
        LINEINITIALIZEEXPARAMS params{};
        params.dwTotalSize = sizeof params;
        params.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
        DWORD devices = 0, version = TAPI_VERSION2_2;
        ASSERT_EQ(lineInitializeExA(&m_faxApp, nullptr, otherApplicationCallback, "faxapp",
                                    &devices, &version, &params),
                  0);
        HLINE faxLine = 0;
        ASSERT_EQ(lineOpen(m_faxApp, 0, &faxLine, TAPI_VERSION2_2, 0, 0, LINECALLPRIVILEGE_OWNER,
                           LINEMEDIAMODE_G3FAX, nullptr),
                  0);
    }

    void act(const Step& step) {
        TlkLineVantage* w = window();
        ASSERT_TRUE(w) << "no window open";
        auto* target = w->findChild<QObject*>(QString::fromLatin1(step.component));
        ASSERT_TRUE(target) << step.component;
        if (auto* action = qobject_cast<QAction*>(target)) {
            for (QMenu* menu : w->findChildren<QMenu*>()) {
                if (menu->actions().contains(action))
                    emit menu->aboutToShow();
            }
            action->trigger();
        } else if (auto* button = qobject_cast<QAbstractButton*>(target)) {
            button->click();
        } else if (auto* combo = qobject_cast<QComboBox*>(target)) {
            const int index = std::atoi(step.text);
            combo->showPopup();
            ASSERT_LT(index, combo->count()) << step.component;
            combo->setCurrentIndex(index);
            combo->hidePopup();
            emit combo->activated(index);
        } else if (auto* edit = qobject_cast<QLineEdit*>(target)) {
            edit->setText(QString::fromLatin1(step.text));
            edit->setModified(true);
            if (step.leave)
                emit edit->editingFinished();
        } else {
            FAIL() << step.component << " is not a component a user acts on";
        }
        time.advance(10ms);
    }

    HLINEAPP m_faxApp = 0;
};

TEST_P(LineWiring, TheUsersActionReachesTheExchange) {
    const Row& row = *GetParam().row;
    ASSERT_NO_FATAL_FAILURE(setUp(row.before));
    ASSERT_TRUE(open());
    for (const Step& step : row.prepare)
        ASSERT_NO_FATAL_FAILURE(act(step));
    const std::vector<tapi::CallId> calls = exchange().callsOn(0);
    const std::map<Op, std::string> before = lastRequests(calls);

    ASSERT_NO_FATAL_FAILURE(act(GetParam().component));
    for (const Step& step : row.then)
        ASSERT_NO_FATAL_FAILURE(act(step));
    time.advance(2s);

    std::vector<std::string> seen;
    for (const auto& [op, text] : lastRequests(calls)) {
        const auto old = before.find(op);
        if (old == before.end() || old->second != text)
            seen.push_back(text);
    }
    std::vector<std::string> expected = row.seen;
    std::sort(seen.begin(), seen.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(line->Error().Name(), "");
    if (row.check)
        row.check(*line);
}

INSTANTIATE_TEST_SUITE_P(Components, LineWiring, ::testing::ValuesIn(wirings()),
                         [](const ::testing::TestParamInfo<Wiring>& info) {
                             return std::string(info.param.row->name) + "_" +
                                    info.param.component.component;
                         });

}  // namespace
