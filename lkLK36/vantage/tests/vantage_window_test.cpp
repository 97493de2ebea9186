// The frame every monitor window shares, shown by the Line window: opening and closing with the
// kept geometry, the Log page, the Vantage and Popup menus, the syntax switch, and a window closed
// while one of its own handlers waits.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTabWidget>
#include <QToolButton>

#include "lkLK36/vantage/tests/line_window_fixture.h"

namespace {

using VantageFrame = LineWindowTest;

TEST_F(VantageFrame, OpensWithTheKeptGeometryAndKeepsItWhenClosed) {
    TlkVantage& vantage = line->Vantage();
    vantage.SetTop(40);
    vantage.SetLeft(30);
    vantage.SetWidth(640);
    vantage.SetHeight(480);
    TlkLineVantage* w = open();
    ASSERT_TRUE(w);
    EXPECT_TRUE(vantage.Visible());
    EXPECT_EQ(w->windowTitle().toStdString(), "lkLine - Orvane Vantage");
    EXPECT_EQ(w->width(), 640);
    EXPECT_EQ(w->height(), 480);
    EXPECT_EQ(w->component<QTabWidget>("PageControl1")->currentWidget(),
              w->component("TabSheetLog"));

    w->resize(700, 500);
    vantage.SetVisible(false);
    freeClosedWindows();
    EXPECT_EQ(vantage.form(), nullptr);
    EXPECT_FALSE(vantage.Visible());

    w = open();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->width(), 700);
    EXPECT_EQ(w->height(), 500);
    EXPECT_EQ(vantage.Width(), 700);
}

TEST_F(VantageFrame, OpeningTwiceShowsTheOneWindowAndTheUserClosingItForgetsIt) {
    TlkLineVantage* first = open();
    ASSERT_TRUE(first);
    EXPECT_EQ(open(), first);
    QPointer<TlkLineVantage> watched(first);
    first->close();
    EXPECT_EQ(line->Vantage().form(), nullptr);
    EXPECT_FALSE(line->Vantage().Visible());
    freeClosedWindows();
    EXPECT_TRUE(watched.isNull());
}

TEST_F(VantageFrame, ABelowMinimumWindowKeepsThePageControlsMinimumAndReportsItsSize) {
    TlkLineVantage* w = open();
    w->resize(100, 100);
    auto* pages = w->component<QTabWidget>("PageControl1");
    EXPECT_GE(pages->minimumWidth(), 390);
    EXPECT_GE(pages->minimumHeight(), 250);
    EXPECT_EQ(line->Vantage().Width(), w->width());
    EXPECT_EQ(line->Vantage().Height(), w->height());
}

TEST_F(VantageFrame, TheLogPageShowsTheLogWithoutTrailingBlankLines) {
    TlkLineVantage* w = open();
    line->log().setLines({"first", "second", " ", ""});
    const auto* memo = w->component<QPlainTextEdit>("MemoLog");
    EXPECT_EQ(memo->toPlainText().toStdString(), "first\nsecond");
    line->log().Add(1, "third");
    EXPECT_EQ(memo->toPlainText().toStdString(), "first\nsecond\n \n\nthird");
}

// The memo is told only what changed; whatever the log did, it shows the log's lines.
TEST_F(VantageFrame, TheMemoFollowsALogThatDropsItsOldestLines) {
    TlkLineVantage* w = open();
    const auto* memo = w->component<QPlainTextEdit>("MemoLog");
    line->log().setLines({});
    line->log().SetCount(3);
    for (const char* text : {"one", "two", "three", "four", "five"})
        line->log().Add(1, text);
    EXPECT_EQ(memo->toPlainText().toStdString(), "three\nfour\nfive");
    line->log().setLines({"five", "six"});
    EXPECT_EQ(memo->toPlainText().toStdString(), "five\nsix");
    line->log().setLines({"other"});
    EXPECT_EQ(memo->toPlainText().toStdString(), "other");
    // A caller's name may break its line in the memo; the line goes all the same once it leaves.
    for (const char* name : {"Ann\nLee", "Ann\r\nLee", "Ann\rLee", "Ann\u2029Lee"}) {
        SCOPED_TRACE(name);
        line->log().setLines({std::string("Caller ") + name, "x"});
        line->log().Add(1, "y");
        line->log().Add(1, "z");
        EXPECT_EQ(memo->toPlainText().toStdString(), "x\ny\nz");
    }
}

TEST_F(VantageFrame, TheCountItemShowsTheSettingsRowAndAnUnreadableCountChangesNothing) {
    TlkLineVantage* w = open();
    auto* row = w->component("CheckBoxLogActive")->parentWidget();
    EXPECT_FALSE(row->isVisibleTo(w));
    auto* pages = w->component<QTabWidget>("PageControl1");
    pages->setCurrentIndex(0);
    choose("MenuLog", "MenuLogCount");
    EXPECT_TRUE(row->isVisibleTo(w));
    EXPECT_EQ(pages->currentWidget(), w->component("TabSheetLog"));

    auto* count = w->component<QLineEdit>("EditLogCount");
    for (const char* typed : {"abc", "0", "-3"}) {
        SCOPED_TRACE(typed);
        count->setText(typed);
        emit count->editingFinished();
        EXPECT_EQ(line->log().Count(), 1000);
        EXPECT_EQ(count->text().toStdString(), "1000");
    }
    count->setText("$20");
    emit count->editingFinished();
    EXPECT_EQ(line->log().Count(), 32);

    choose("MenuLog", "MenuLogCount");
    EXPECT_FALSE(row->isVisibleTo(w));
}

TEST_F(VantageFrame, ClearEmptiesTheLogAndAnErrorLightsTheButtonAgain) {
    TlkLineVantage* w = open();
    auto* errors = w->component<QToolButton>("SpeedButtonErrors");
    EXPECT_FALSE(errors->isEnabled());
    line->FillErrorStrings(LINEERR_INVALCALLHANDLE);
    EXPECT_TRUE(errors->isEnabled());
    w->component<QToolButton>("SpeedButtonClear")->click();
    EXPECT_FALSE(errors->isEnabled());
    EXPECT_TRUE(w->component<QPlainTextEdit>("MemoLog")->toPlainText().isEmpty());
    EXPECT_TRUE(line->log().Lines().empty());
    line->FillErrorStrings(LINEERR_INVALCALLHANDLE);
    EXPECT_TRUE(errors->isEnabled());
    choose("MenuLog", "MenuLogClearError");
    EXPECT_FALSE(errors->isEnabled());
}

TEST_F(VantageFrame, LogSwitchesGoThroughTheLogAndShowItsState) {
    TlkLineVantage* w = open();
    auto* stamp = w->component<QCheckBox>("CheckBoxLogTimeStamp");
    stamp->click();
    EXPECT_TRUE(line->log().TimeStamp());
    EXPECT_TRUE(w->component<QAction>("MenuLogTimeStamp")->isChecked());
    EXPECT_NE(line->log().Lines().back().find("Log.TimeStamp := True"), std::string::npos);
    choose("MenuLog", "MenuLogActive");
    EXPECT_FALSE(line->log().Active());
    EXPECT_FALSE(w->component<QCheckBox>("CheckBoxLogActive")->isChecked());
}

TEST_F(VantageFrame, TheSyntaxSwitchLogsAndRewritesCaptionsAndHints) {
    struct Case {
        const char* item;
        const char* logged;
        const char* activeHint;
        const char* logCaption;
    };
    static constexpr Case cases[] = {
        {"MenuDevEnvDelphi", "DevEnv := deDelphi", "lkLine.Device.Active := True", "Log.&Active"},
        {"MenuDevEnvCBuilder", "DevEnv = deCppBuilder", "lkLine->Device->Active = True",
         "Log->&Active"},
        {"MenuDevEnvVB", "DevEnv = deVisualBasic", "lkLine.DeviceActive = True", "Log&Active"},
        {"MenuDevEnvOther", "DevEnv = deOther", "lkLine.DeviceActive = True", "Log&Active"},
    };
    TlkLineVantage* w = open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        choose("MenuDevEnv", c.item);
        // The line is written in the syntax just chosen.
        EXPECT_EQ(line->log().Lines().back(), c.logged);
        EXPECT_EQ(w->component("SpeedButtonDeviceActive")->toolTip().toStdString(), c.activeHint);
        EXPECT_EQ(w->component<QCheckBox>("CheckBoxLogActive")->text().toStdString(), c.logCaption);
        int checked = 0;
        for (const char* item :
             {"MenuDevEnvCBuilder", "MenuDevEnvDelphi", "MenuDevEnvVB", "MenuDevEnvOther"}) {
            checked += w->component<QAction>(item)->isChecked() ? 1 : 0;
        }
        EXPECT_EQ(checked, 1);
        EXPECT_TRUE(w->component<QAction>(c.item)->isChecked());
    }
}

TEST_F(VantageFrame, PopupItemsSetTheirFlagsAndTheMenuShowsThemAsStored) {
    TlkLineVantage* w = open();
    auto* item = w->component<QAction>("MenuPopupOnCallerID");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->text().toStdString(), "OnCallerID");
    EXPECT_EQ(w->component<QAction>("MenuPopupOnCallIdle")->text().toStdString(), "OnIdle");
    EXPECT_EQ(w->component<QMenu>("MenuPopup")->actions().size(), 37);
    choose("MenuPopup", "MenuPopupOnCallerID");
    EXPECT_TRUE(line->Popup.OnCallerID);
    choose("MenuPopup", "MenuPopupOnCallerID");
    EXPECT_FALSE(line->Popup.OnCallerID);
    line->Popup.OnRing = true;
    emit w->component<QMenu>("MenuPopup")->aboutToShow();
    EXPECT_TRUE(w->component<QAction>("MenuPopupOnRing")->isChecked());
}

TEST_F(VantageFrame, AnEventWhosePopupFlagIsOnOpensTheWindowOnItsLogPage) {
    line->SetDeviceActive(true);
    line->Popup.OnCallerID = true;
    EXPECT_EQ(window(), nullptr);
    ringWithCallerId();
    TlkLineVantage* w = window();
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->component<QTabWidget>("PageControl1")->currentWidget(),
              w->component("TabSheetLog"));
}

TEST_F(VantageFrame, VantageMenuItemsFollowTheMonitorObject) {
    TlkLineVantage* w = open();
    choose("MenuVantage", "MenuVTStayOnTop");
    EXPECT_TRUE(line->Vantage().StayOnTop());
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    choose("MenuVantage", "MenuVTEvents");
    EXPECT_FALSE(line->Vantage().Events());
    choose("MenuVantage", "MenuVTVisible");
    EXPECT_FALSE(line->Vantage().Visible());
    EXPECT_EQ(window(), nullptr);
}

// Hanging up waits for the exchange's reply; meanwhile the host closes the window and then
// releases the control. The handler must end without touching either.
TEST_F(VantageFrame, AWindowClosedWhileItsHandlerWaitsIsNeverTouchedAgain) {
    line->SetDeviceActive(true);
    ringWithCallerId();
    TlkLineVantage* w = open();
    QPointer<TlkLineVantage> watched(w);
    tapi::ReplyPolicy slow;
    slow.delayMs = 2000;
    tapi::exchange().setReplyPolicy("lineDrop", slow);
    core::OneShot host;
    host.start(500, [this] {
        line->Vantage().SetVisible(false);
        line.reset();
    });
    choose("MenuCall", "MenuCallHangup");
    EXPECT_FALSE(line);
    ASSERT_FALSE(watched.isNull());  // still on the stack of its own signal until now
    EXPECT_FALSE(watched->isVisible());
    freeClosedWindows();
    EXPECT_TRUE(watched.isNull());
}

}  // namespace
