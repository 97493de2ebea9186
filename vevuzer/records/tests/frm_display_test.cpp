// The pop-up window offscreen: its controls found by name show what the pop-up holds, and the
// user's double clicks and typing reach it.
#include "vevuzer/records/frm_display.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QToolButton>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"

namespace {

using namespace std::chrono_literals;

void doubleClick(QWidget* widget) {
    const QPointF centre(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent event(QEvent::MouseButtonDblClick, centre, widget->mapToGlobal(centre),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

class FrmDisplay : public ::testing::Test {
  protected:
    vevuzer::testing::FreshProgramFolder m_folder;
    core::VirtualTime m_time;
    frm_display m_window{[](int) { return com::Dispatch(); }, {}};
};

TEST_F(FrmDisplay, ShowsTheCallerInItsNamedControls) {
    m_window.Show();
    m_window.setTxtDisplay("01632960123");
    m_window.setTxtName("Ann Smith");
    m_window.displayother("Ann Smith", "01632960123", "");

    EXPECT_EQ(m_window.objectName(), "frm_display");
    EXPECT_EQ(m_window.twipsWidth(), vevuzer::kPopupImageWidthTwips);
    EXPECT_EQ(m_window.twipsHeight(), vevuzer::kPopupNotesOpenHeightTwips) << "the notes opened";
    EXPECT_EQ(m_window.control<QLabel>("txt_display")->text(), "01632960123");
    EXPECT_EQ(m_window.control<QLabel>("txt_name")->text(), "Ann Smith");
    EXPECT_EQ(m_window.control<QLabel>("txt_name")->toolTip(),
              "Double click here to close this window");
    EXPECT_TRUE(m_window.control<QToolButton>("Picture1")->isVisible());
    EXPECT_TRUE(m_window.control<QToolButton>("Picture3")->isVisible());
    ASSERT_NE(m_window.control<QLabel>("Image1"), nullptr);
    EXPECT_TRUE(m_window.control<QPlainTextEdit>("txt_notepad")
                    ->toPlainText()
                    .startsWith("--Notepad started "));
}

// A caller's number and name come from the line: markup in them is shown as typed, not obeyed.
TEST_F(FrmDisplay, ShowsMarkupInACallersNameAsTyped) {
    m_window.Show();
    m_window.setTxtDisplay("<i>0163</i>");
    m_window.setTxtName("<b>Ann</b> &amp; <img src=x>");
    for (const char* name : {"txt_display", "txt_name"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(m_window.control<QLabel>(name)->textFormat(), Qt::PlainText);
    }
    EXPECT_EQ(m_window.control<QLabel>("txt_name")->text(), "<b>Ann</b> &amp; <img src=x>");
}

TEST_F(FrmDisplay, TypedNotesAreKeptWithCrLfAndADoubleClickCloses) {
    m_window.Show();
    m_window.setTxtDisplay("01632960123");
    auto* notes = m_window.control<QPlainTextEdit>("txt_notepad");
    notes->setPlainText("call back\nafter six");
    EXPECT_EQ(m_window.logic().controls().txt_notepad, "call back\r\nafter six");

    doubleClick(m_window.control<QLabel>("txt_name"));
    EXPECT_FALSE(m_window.isVisible());
    EXPECT_FALSE(m_window.logic().loaded());
    EXPECT_EQ(core::readFile(m_folder.home() / "notes" / "01632960123.txt"),
              "call back\r\nafter six\r\n");
}

TEST_F(FrmDisplay, HidesItselfWhenTheAutoCloseTimerRunsOut) {
    m_window.Show();
    m_window.display("Incoming Call", 1);
    m_time.advance(15s);
    EXPECT_FALSE(m_window.isVisible());
    m_window.Show();
    EXPECT_TRUE(m_window.isVisible());
    EXPECT_EQ(m_window.control<QLabel>("txt_display")->text(), "") << "loaded afresh";
    EXPECT_EQ(m_window.twipsHeight(), vevuzer::kPopupImageHeightTwips);
}

}  // namespace
