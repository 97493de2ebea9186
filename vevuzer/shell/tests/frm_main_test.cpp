#include "vevuzer/shell/frm_main.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <functional>

#include "platform/core/messages.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/quit_signals.h"

namespace {

class FrmMain : public ::testing::Test {
  protected:
    vevuzer::testing::FreshProgramFolder m_folder;
};

bool windowExists(const char* name) {
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == name)
            return true;
    }
    return false;
}

TEST_F(FrmMain, IsTheBelltaleWindowWithItsSkinAndStatusBox) {
    frm_main window;
    window.show();
    EXPECT_EQ(window.objectName(), "frm_main");
    EXPECT_EQ(window.caption(), "Belltale");
    EXPECT_EQ(window.twipsWidth(), 6930);
    EXPECT_EQ(window.twipsHeight(), 1530);
    EXPECT_TRUE(window.isVisible());
    ASSERT_NE(window.control<QLabel>("Picture1"), nullptr);
    ASSERT_NE(window.control<QLabel>("txt_display"), nullptr);
    EXPECT_EQ(window.control<QLabel>("txt_display")->text(), "Welcome to Belltale");
    EXPECT_EQ(window.control<QLabel>("txt_display")->textFormat(), Qt::PlainText)
        << "a caller's name in the status box is never read as markup";
}

// The desktop's faces are wider than the ones the window was drawn for: every caption on it still
// shows whole, in its designed place and box.
TEST_F(FrmMain, EveryCaptionFitsItsBox) {
    frm_main window;
    window.show();
    window.setPicRingVisible(true);
    window.setImgFlashVisible(true);
    struct Case {
        const char* name;
        const char* text;
    };
    const Case cases[] = {
        {"Command1", "&Incoming calls log"},
        {"Command2", "&Telephone directory"},
        {"Command4", "&Change skin"},
        {"Command3", "&Settings"},
        {"pic_ring", "RING"},
        {"img_flash", "NEW"},
    };
    int buttonFontSize = 0;
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        QWidget* widget = window.findChild<QWidget*>(row.name);
        ASSERT_NE(widget, nullptr);
        widget->ensurePolished();
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(button->text(), row.text);
            EXPECT_LE(button->sizeHint().width(), button->width());
            EXPECT_EQ(button->width(), 97) << "the designed 1455 twips";
            buttonFontSize = button->font().pixelSize();
        } else {
            auto* label = qobject_cast<QLabel*>(widget);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text(), row.text);
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()),
                      label->contentsRect().width());
        }
        EXPECT_LE(widget->fontMetrics().height(), widget->height());
    }
    // The captions are as large as the buttons allow with a narrow padding (3 pixels each side
    // with the frame): one pixel larger and one of them would not fit.
    const bool largerFits = std::all_of(std::begin(cases), std::end(cases), [&](const Case& row) {
        const auto* button = window.findChild<QPushButton*>(row.name);
        if (!button)
            return true;
        QFont larger = button->font();
        larger.setPixelSize(buttonFontSize + 1);
        const QFontMetrics metrics(larger);
        return metrics.size(Qt::TextShowMnemonic, button->text()).width() + 6 <= button->width() &&
               metrics.height() <= button->height();
    });
    EXPECT_TRUE(buttonFontSize == 10 || !largerFits) << "pixel size " << buttonFontSize;
}

TEST_F(FrmMain, ClosingTheWindowShutsTheProgramDown) {
    frm_main window;
    closeOnQuitSignals(&window);
    window.show();
    raise(SIGTERM);
    EXPECT_TRUE(core::pumpUntil([&] { return !window.isVisible(); }, 10000));
    EXPECT_TRUE(window.main().ended());
    EXPECT_EQ(settings::read(settings::key::x, "never saved"), std::to_string(window.twipsLeft()));
}

TEST_F(FrmMain, ClosingIsRefusedWhileTheUpdateDownloads) {
    ui::ScriptedDialogs dialogs;
    frm_main window;
    window.show();
    window.main().state().downloading = true;
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.main().ended());
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text,
              "Sorry, you can`t quit until the update has finished downloading.");
    EXPECT_EQ(dialogs.shown()[0].flags, 16);
    EXPECT_FALSE(std::filesystem::exists(m_folder.home() / "log.txt")) << "nothing is logged";

    window.main().state().downloading = false;
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(window.main().ended());
}

TEST_F(FrmMain, BuildsEachOtherWindowMenuAndTheCallListOnItsFirstUse) {
    ui::ScriptedDialogs dialogs;
    frm_main window;
    window.show();
    const auto built = [&](const char* name) {
        return windowExists(name) || window.findChild<QWidget*>(name) != nullptr;
    };
    struct Case {
        const char* window;
        std::function<void(frm_main&)> firstUse;
    };
    const Case cases[] = {
        {"frm_display", [](frm_main& w) { w.setFrmDisplayName("ANN SMITH"); }},
        {"frm_inclog", [](frm_main& w) { w.main().Command1_Click(); }},
        {"frm_directory", [](frm_main& w) { w.main().Command2_Click(); }},
        {"frm_settings", [](frm_main& w) { w.main().Command3_Click(); }},
        {"mnu_settings", [](frm_main& w) { w.popupCommandMenu(); }},
        {"mn1_add", [](frm_main& w) { w.popupAddMenu(); }},
        {"display", [](frm_main& w) { w.displayAddItem("1: 01632960123"); }},
    };
    // Until it is built the call list reads as hidden and empty, and hiding or clearing it does
    // not build it.
    window.setDisplayVisible(false);
    window.displayClear();
    window.setDisplayListIndex(0);
    EXPECT_FALSE(window.displayVisible());
    EXPECT_EQ(window.displayListCount(), 0);
    EXPECT_EQ(window.displayListIndex(), -1);
    EXPECT_EQ(window.displayItem(0), "");
    for (const Case& row : cases)
        EXPECT_FALSE(built(row.window)) << row.window << " built at start";
    for (const Case& row : cases) {
        SCOPED_TRACE(row.window);
        row.firstUse(window);
        EXPECT_TRUE(built(row.window));
    }
    EXPECT_FALSE(windowExists("frm_info"));
    EXPECT_EQ(window.displayListCount(), 1);
    EXPECT_EQ(window.displayItem(0), "1: 01632960123");
}

}  // namespace
