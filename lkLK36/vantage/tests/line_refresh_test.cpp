// The Line window kept current by the control's refresh routines, driven by the exchange.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include "lkLK36/vantage/tests/line_window_fixture.h"

namespace {

using LineRefresh = LineWindowTest;

std::string visibleCallImage(const TlkLineVantage* w) {
    for (const char* image :
         {"ImageCallStatusOnGray", "ImageCallStatusOffGreen", "ImageCallStatusOnRed",
          "ImageCallStatusOffYellow", "ImageCallStatusOffRed"}) {
        if (!w->component<QLabel>(image)->isHidden())
            return image;
    }
    return "none";
}

std::string nodeStarting(const std::vector<std::string>& lines, const std::string& start) {
    for (const std::string& l : lines) {
        if (l.rfind(start, 0) == 0)
            return l;
    }
    return "(no " + start + ")";
}

TEST(CallStatusImages, FollowTheCallStateOnTheCallPageAndThePanels) {
    struct Case {
        DWORD state;
        const char* page;
        const char* panel;
    };
    static constexpr Case cases[] = {
        {LINECALLSTATE_IDLE, "ImageCallStatusOnGray", "ImageCallStatusOnGray"},
        {LINECALLSTATE_OFFERING, "ImageCallStatusOffRed", "ImageCallStatusOffRed"},
        {LINECALLSTATE_DIALING, "ImageCallStatusOffRed", "ImageCallStatusOffRed"},
        {LINECALLSTATE_PROCEEDING, "ImageCallStatusOffRed", "ImageCallStatusOnGray"},
        {LINECALLSTATE_CONNECTED, "ImageCallStatusOffGreen", "ImageCallStatusOffGreen"},
        {LINECALLSTATE_ONHOLDPENDTRANSFER, "ImageCallStatusOffYellow", "ImageCallStatusOffYellow"},
        {LINECALLSTATE_DISCONNECTED, "ImageCallStatusOnRed", "ImageCallStatusOnRed"},
        {LINECALLSTATE_ACCEPTED, "ImageCallStatusOnGray", "ImageCallStatusOnGray"},
        {0, "ImageCallStatusOnGray", nullptr},  // no state: the panel keeps its image
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        EXPECT_STREQ(CallStatusImage(c.state), c.page);
        const char* panel = PanelStatusImage(static_cast<LONG>(c.state));
        if (c.panel)
            EXPECT_STREQ(panel, c.panel);
        else
            EXPECT_EQ(panel, nullptr);
    }
}

TEST_F(LineRefresh, WithNoCallTheCallPageSaysSo) {
    TlkLineVantage* w = open();
    const auto* pages = w->component<QTabWidget>("PageControl1");
    EXPECT_EQ(pages->tabText(pages->indexOf(w->component("TabSheetCall"))).toStdString(),
              "Call (0)");
    const auto lines = treeLines(w->component<QTreeWidget>("TreeViewCallDetails"));
    EXPECT_EQ(nodeStarting(lines, "Call.Handle"), "Call.Handle = No call [00000000]");
    EXPECT_EQ(nodeStarting(lines, "Call.Began"), "Call.Began = <unavailable>");
    EXPECT_EQ(lines.front(), "Call.Active = False");
    EXPECT_EQ(visibleCallImage(w), "ImageCallStatusOnGray");
}

// One call's life as the call tree, the call page and the panels show it.
TEST_F(LineRefresh, ACallsLifeIsShownInTheCallTree) {
    TlkLineVantage* w = open();
    line->SetDeviceActive(true);
    EXPECT_FALSE(w->component("SpeedButtonDeviceActive")->isVisibleTo(w));
    EXPECT_TRUE(w->component("SpeedButtonDeviceInactive")->isVisibleTo(w));
    auto* tree = w->component<QTreeWidget>("TreeViewCallDetails");

    struct Step {
        const char* name;
        std::function<void()> act;
        const char* state;
        const char* image;
    };
    const Step steps[] = {
        {"offered", [&] { ringWithCallerId(); }, "Call.State = LINECALLSTATE_OFFERING [00000002]",
         "ImageCallStatusOffRed"},
        {"answered",
         [&] {
             choose("MenuCall", "MenuCallAnswer");
             time.advance(100ms);
         },
         "Call.State = LINECALLSTATE_CONNECTED [00000100]", "ImageCallStatusOffGreen"},
        {"far end hung up",
         [&] {
             tapi::exchange().hangup(0);
             time.advance(10ms);
         },
         "Call.State = LINECALLSTATE_DISCONNECTED [00004000]", "ImageCallStatusOnRed"},
    };
    DWORD call = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        s.act();
        call = call ? call : line->Call.Handle;
        const auto lines = treeLines(tree);
        EXPECT_EQ(nodeStarting(lines, "Call.State ="), s.state);
        EXPECT_EQ(nodeStarting(lines, "Call.Handle"), "Call.Handle = [" + Hex8(call) + "]");
        EXPECT_EQ(visibleCallImage(w), s.image);
    }
    const auto lines = treeLines(tree);
    EXPECT_EQ(nodeStarting(lines, "\tCall.CallerID.Number"),
              "\tCall.CallerID.Number = '016-329-60123'");
    EXPECT_EQ(nodeStarting(lines, "\tCall.CallerID.Name"), "\tCall.CallerID.Name = 'Ann Smith'");
    EXPECT_EQ(nodeStarting(lines, "\tCall.CallerID.Flags"), "\tCall.CallerID.Flags = [0000000C]");
    EXPECT_NE(nodeStarting(lines, "Call.Began"), "Call.Began = <unavailable>");
    const auto* pages = w->component<QTabWidget>("PageControl1");
    EXPECT_EQ(pages->tabText(pages->indexOf(w->component("TabSheetCall"))).toStdString(),
              "Call (1)");
    EXPECT_EQ(w->component<QGroupBox>("GroupBoxCall")->title().toStdString(),
              "Call.Handle = " + Hex8(call) + "    Call.Count = 1");
    EXPECT_EQ(w->component<QLineEdit>("EditCallCallerIDNumber")->text().toStdString(),
              "016-329-60123");
}

// Each refresh, run again with nothing changed, leaves its tree and every node as they were.
TEST_F(LineRefresh, EachRefreshRunTwiceLeavesTheSameTree) {
    TlkLineVantage* w = open();
    line->SetDeviceActive(true);
    ringWithCallerId();
    struct Case {
        const char* tree;
        std::function<void()> refresh;
    };
    const Case cases[] = {
        {"TreeViewCallDetails", [&] { w->UpdateCallDetails(); }},
        {"TreeViewInfo", [&] { w->UpdateInfoTree(); }},
        {"TreeViewAddressCaps", [&] { w->UpdateAddressList(); }},
        {"TreeViewAddressProperties", [&] { w->UpdateAddressList(); }},
        {"TreeViewTerminal", [&] { w->UpdateTerminalPage(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tree);
        auto* tree = w->component<QTreeWidget>(c.tree);
        c.refresh();
        const auto before = treeLines(tree);
        ASSERT_FALSE(before.empty());
        const QTreeWidgetItem* first = tree->topLevelItem(0);
        c.refresh();
        EXPECT_EQ(treeLines(tree), before);
        EXPECT_EQ(tree->topLevelItem(0), first);
    }
}

TEST_F(LineRefresh, ChangingTheCurrentCallRewritesTheTreeInPlace) {
    TlkLineVantage* w = open();
    line->SetDeviceActive(true);
    const DWORD call = ringWithCallerId();
    auto* tree = w->component<QTreeWidget>("TreeViewCallDetails");
    QTreeWidgetItem* caller = nullptr;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        if (tree->topLevelItem(i)->text(0) == "Call.CallerID")
            caller = tree->topLevelItem(i);
    }
    ASSERT_TRUE(caller);
    caller->setExpanded(true);
    line->Call.SetHandle(0);
    EXPECT_EQ(nodeStarting(treeLines(tree), "Call.Handle"), "Call.Handle = No call [00000000]");
    line->Call.SetHandle(call);
    EXPECT_TRUE(caller->isExpanded());
    EXPECT_EQ(caller->child(3)->text(0).toStdString(), "Call.CallerID.Number = '016-329-60123'");
}

// A node's name: its text up to the value.
std::string nodeName(const QTreeWidgetItem* node) {
    const std::string text = node->text(0).toStdString();
    return text.substr(0, text.find(" = "));
}

// Every call's tree lists the same nodes in one order, whether it was built for that call or
// rewritten from another call's; only the values differ.
TEST_F(LineRefresh, TheCallTreeKeepsItsOrderForEveryCall) {
    static const std::vector<std::string> order = {
        "Call.Active",         "Call.Address",       "Call.BearerMode",
        "Call.Began",          "Call.BusyMode",      "Call.CalledID",
        "Call.CallerID",       "Call.Connected",     "Call.ConnectedID",
        "Call.DialToneMode",   "Call.Disconnected",  "Call.DisconnectMode",
        "Call.Ended",          "Call.Handle",        "Call.ID",
        "Call.MediaMode",      "Call.Monitors",      "Call.Origin",
        "Call.OriginatingApp", "Call.Owner",         "Call.Owners",
        "Call.Reason",         "Call.RedirectingID", "Call.RedirectionID",
        "Call.SpecialInfo",    "Call.State",         "Call.StateMode",
    };
    static const std::vector<std::string> partyFields = {".Blocked", ".Flags", ".Name", ".Number",
                                                         ".OutOfArea"};
    TlkLineVantage* w = open();
    line->SetDeviceActive(true);
    // Three calls in three states: a conference set up on an answered call, its consultation
    // call answered.
    const DWORD primary = ringWithCallerId();
    ASSERT_TRUE(line->Call.Answer());
    line->SetConferencePrimaryCall(primary);
    line->SetConferencePhoneNumber("202");
    ASSERT_TRUE(line->ConferenceDial());
    time.advance(20s);
    struct Case {
        const char* name;
        DWORD call;
        const char* state;
    };
    const Case cases[] = {
        {"primary", primary, "LINECALLSTATE_CONFERENCED [00000800]"},
        {"conference", line->Conference.Handle, "LINECALLSTATE_ONHOLDPENDCONF [00001000]"},
        {"consultation", line->Conference.ConsultCall, "LINECALLSTATE_CONNECTED [00000100]"},
    };
    auto* tree = w->component<QTreeWidget>("TreeViewCallDetails");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.call, 0u);
        line->Call.SetHandle(c.call);
        ASSERT_EQ(line->Call.Handle, c.call);
        std::vector<std::string> names;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            names.push_back(nodeName(tree->topLevelItem(i)));
        EXPECT_EQ(names, order);
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* node = tree->topLevelItem(i);
            const std::string name = nodeName(node);
            if (name.size() < 3 || name.compare(name.size() - 2, 2, "ID") != 0 || name == "Call.ID")
                continue;
            std::vector<std::string> fields;
            for (int f = 0; f < node->childCount(); ++f)
                fields.push_back(nodeName(node->child(f)).substr(name.size()));
            EXPECT_EQ(fields, partyFields) << name;
        }
        const auto rewritten = treeLines(tree);
        EXPECT_EQ(nodeStarting(rewritten, "Call.State ="), std::string("Call.State = ") + c.state);
        EXPECT_EQ(nodeStarting(rewritten, "Call.Handle"), "Call.Handle = [" + Hex8(c.call) + "]");
        // Built afresh for this call, the tree reads the same.
        tree->clear();
        w->UpdateCallDetails();
        EXPECT_EQ(treeLines(tree), rewritten);
    }
}

TEST_F(LineRefresh, ANewCurrentCallShowsItsOwnNumberAndClearsTheDigitsShown) {
    TlkLineVantage* w = open();
    line->SetDeviceActive(true);
    const DWORD call = ringWithCallerId();
    line->Call.SetPhoneNumber("201");
    w->ShowReceivedDigit("5");
    w->ShowGatheredDigits("123");
    line->Call.SetHandle(0);
    EXPECT_TRUE(w->component<QLineEdit>("EditCDGOnDigitReceived")->text().isEmpty());
    EXPECT_TRUE(w->component<QLineEdit>("EditCDGOnDigitsGathered")->text().isEmpty());
    line->Call.SetHandle(call);
    EXPECT_EQ(w->component<QLineEdit>("EditPhoneNumber")->text().toStdString(),
              line->Call.PhoneNumber);
}

TEST_F(LineRefresh, TheInformationTreeShowsTheDeviceAndItsRelatedDevices) {
    TlkLineVantage* w = open();
    line->SetDeviceActive(true);
    const auto lines = treeLines(w->component<QTreeWidget>("TreeViewInfo"));
    EXPECT_EQ(lines.front(), "Comm");
    EXPECT_EQ(nodeStarting(lines, "\tComm.Enabled"), "\tComm.Enabled = False");
    EXPECT_EQ(nodeStarting(lines, "\t\tDevice.Capabilities.DevSpecificSize")
                  .rfind("\t\tDevice.Capabilities.DevSpecificSize = ", 0),
              0u);
    EXPECT_EQ(nodeStarting(lines, "\t\tDevice.MediaModes.Active")
                  .rfind("\t\tDevice.MediaModes.Active = [", 0),
              0u);
    EXPECT_EQ(nodeStarting(lines, "\tTAPI.TSP"), "\tTAPI.TSP = '" + line->TAPI.TSP + "'");
    EXPECT_EQ(nodeStarting(lines, "\tLine.Handle"),
              "\tLine.Handle = [" + Hex8(static_cast<DWORD>(line->LineHandle())) + "]");
    EXPECT_EQ(w->component<QLineEdit>("EditCommDeviceClass")->text().toStdString(),
              "comm/datamodem");

    line->Device.Capabilities.DevSpecific.clear();
    w->UpdateInfoTree();
    const auto empty = treeLines(w->component<QTreeWidget>("TreeViewInfo"));
    EXPECT_EQ(nodeStarting(empty, "\t\tDevice.Capabilities.DevSpecificSize"),
              "\t\tDevice.Capabilities.DevSpecificSize = 0");
    EXPECT_EQ(nodeStarting(empty, "\t\tDevice.Capabilities.DevSpecific ="),
              "\t\tDevice.Capabilities.DevSpecific = ''");
    // Bytes without a terminating NUL end at their size.
    line->Device.Capabilities.DevSpecific = std::string("ab\0cd", 5);
    w->UpdateInfoTree();
    EXPECT_EQ(nodeStarting(treeLines(w->component<QTreeWidget>("TreeViewInfo")),
                           "\t\tDevice.Capabilities.DevSpecific ="),
              "\t\tDevice.Capabilities.DevSpecific = 'ab'");
}

TEST_F(LineRefresh, ThePathsFollowTheChosenSyntax) {
    TlkLineVantage* w = open();
    line->SetDeviceActive(true);
    choose("MenuDevEnv", "MenuDevEnvVB");
    const auto lines = treeLines(w->component<QTreeWidget>("TreeViewCallDetails"));
    EXPECT_EQ(lines.front(), "CallActive = False");
    EXPECT_EQ(w->component<QGroupBox>("GroupBoxDevice")->title().toStdString(),
              "DeviceID = " + std::to_string(line->Device.ID) +
                  "    DeviceCount = " + std::to_string(line->Device.Count));
}

TEST_F(LineRefresh, TransferAndConferencePanelsShowTheirCalls) {
    TlkLineVantage* w = open();
    line->SetDeviceActive(true);
    const DWORD call = ringWithCallerId();
    line->SetConferencePrimaryCall(call);
    EXPECT_EQ(w->component<QComboBox>("ComboBoxConferencePrimaryCall")->currentText().toStdString(),
              Hex8(call));
    EXPECT_TRUE(w->component<QComboBox>("ComboBoxConferenceConsultCall")->currentText().isEmpty());
    line->SetTransferPrimaryCall(call);
    w->UpdateTransferPanel(static_cast<DWORD>(-1), 0, 0);
    EXPECT_EQ(
        w->component("ImageTransferPrimaryCall")->property("statusImage").toString().toStdString(),
        "ImageCallStatusOffRed");
    w->UpdateTransferPanel(0, 0, 0);
    EXPECT_EQ(
        w->component("ImageTransferPrimaryCall")->property("statusImage").toString().toStdString(),
        "ImageCallStatusOnGray");
}

TEST_F(LineRefresh, WithNoWindowTheControlRunsUnchanged) {
    line->SetDeviceActive(true);
    ringWithCallerId();
    EXPECT_EQ(window(), nullptr);
    EXPECT_NE(line->Call.Handle, 0u);
    // Opening afterwards shows what the control holds.
    TlkLineVantage* w = open();
    EXPECT_EQ(
        nodeStarting(treeLines(w->component<QTreeWidget>("TreeViewCallDetails")), "Call.Handle"),
        "Call.Handle = [" + Hex8(line->Call.Handle) + "]");
}

}  // namespace
