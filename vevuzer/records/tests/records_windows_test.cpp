// The address book and call-log windows offscreen: their controls found by name show what their
// logic holds, the user's clicks and typing reach it, and the main window opens them.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "vevuzer/records/frm_directory.h"
#include "vevuzer/records/frm_display.h"
#include "vevuzer/records/frm_inclog.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/frm_info.h"
#include "vevuzer/shell/frm_main.h"

namespace {

class RecordsWindows : public ::testing::Test {
  protected:
    void write(std::string_view name, std::string_view text) const {
        ASSERT_TRUE(core::rewriteFile(m_folder.home() / name, text));
    }

    vevuzer::testing::FreshProgramFolder m_folder;
    core::VirtualTime m_time;
    ui::ScriptedDialogs m_dialogs;
};

TEST_F(RecordsWindows, TheAddressBookShowsAndTakesItsEntries) {
    write("directory.ini", "[callers]\r\n01234=Ann Smith\r\n0777=Bob\r\n");
    frm_directory window;
    window.Show();
    auto* callers = window.control<QComboBox>("callers");
    ASSERT_NE(callers, nullptr);
    ASSERT_EQ(callers->count(), 2);
    EXPECT_EQ(callers->currentText(), "01234 | Ann Smith |");
    EXPECT_EQ(window.control<QLineEdit>("txt_line")->text(), "1");
    for (const char* name : {"txt_phone", "txt_name", "Command1", "Command2", "Command4", "Text1",
                             "mnu_import", "mnu_export", "mnu_help", "mnu_exit"}) {
        EXPECT_NE(window.findChild<QObject*>(name), nullptr) << name;
    }
    EXPECT_FALSE(window.control<QLabel>("Text1")->isVisible());

    callers->activated(1);
    EXPECT_EQ(window.control<QLineEdit>("txt_phone")->text(), "0777");
    EXPECT_EQ(window.control<QLineEdit>("txt_name")->text(), "Bob");

    auto* phone = window.control<QLineEdit>("txt_phone");
    phone->clear();
    QTest::keyClicks(phone, "0161 - 496");
    QTest::keyClicks(window.control<QLineEdit>("txt_name"), "y");
    EXPECT_TRUE(window.control<QPushButton>("Command2")->font().bold());
    window.control<QPushButton>("Command2")->click();
    EXPECT_FALSE(window.control<QPushButton>("Command2")->font().bold());
    EXPECT_EQ(core::readFile(m_folder.home() / "directory.ini"),
              "[callers]\r\n01234=Ann Smith\r\n0777=Bob\r\n0161496=Boby\r\n");
    EXPECT_EQ(callers->count(), 3);
    EXPECT_EQ(window.control<QLineEdit>("txt_phone")->text(), "");

    window.findChild<QAction*>("mnu_exit")->trigger();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(RecordsWindows, TheCallLogListsCallsAndItsMenuActsOnTheSelection) {
    write("inclog.txt", "0777, Ann, d t\r\n0888, Bob, d t\r\n0999, Cy, d t\r\n");
    int statusBox = 0;
    frm_directory directory;
    frm_inclog window(
        [&]() -> vevuzer::TelephoneDirectory& {
            directory.Show();
            return directory.logic();
        },
        [&] { ++statusBox; });
    window.Show();
    auto* calls = window.control<QListView>("com_calls");
    ASSERT_NE(calls, nullptr);
    ASSERT_EQ(calls->model()->rowCount(), 3);
    EXPECT_EQ(calls->currentIndex().row(), 2);
    EXPECT_EQ(calls->toolTip(), "Right click on an entry for more options");

    QStringList items;
    for (QAction* action : window.mnu_settings()->actions()) {
        items << action->objectName() + "=" + action->text();
    }
    EXPECT_EQ(items, QStringList({"mnu_remove=Remove this caller from the list",
                                  "mnu_addcaller=Add this caller to the telephone directory",
                                  "mnu_reset=Clear the incoming calls log",
                                  "mnu_listen=Listen to this entry"}));

    calls->setCurrentIndex(calls->model()->index(0, 0));
    window.findChild<QAction*>("mnu_remove")->trigger();
    EXPECT_EQ(core::readFile(m_folder.home() / "inclog.txt"),
              "0888, Bob, d t\r\n0999, Cy, d t\r\n");
    ASSERT_EQ(calls->model()->rowCount(), 2);

    calls->setCurrentIndex(calls->model()->index(0, 0));
    window.control<QPushButton>("Command4")->click();
    EXPECT_TRUE(directory.isVisible());
    EXPECT_EQ(core::readFile(m_folder.home() / "directory.ini"), "[callers]\r\n0888=Bob\r\n");

    window.control<QPushButton>("Command1")->click();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(RecordsWindows, TheMainWindowOpensBothAndThePopupsAddFillsTheBook) {
    write("inclog.txt", "0777, Ann, d t\r\n");
    frm_main main;
    frm_directory& directory = main.showTelephoneDirectory();
    EXPECT_TRUE(directory.isVisible());
    frm_inclog& log = main.showIncomingCallsLog();
    EXPECT_TRUE(log.isVisible());
    EXPECT_EQ(log.control<QListView>("com_calls")->model()->rowCount(), 1);

    directory.findChild<QAction*>("mnu_help")->trigger();
    frm_info* info = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        info = info ? info : dynamic_cast<frm_info*>(widget);
    }
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(info->isVisible());
    EXPECT_EQ(info->text().rfind("This is a list of people", 0), 0u);
    QTest::mouseClick(info->control<QPlainTextEdit>("txt_display")->viewport(), Qt::LeftButton);
    EXPECT_FALSE(info->isVisible());

    directory.close();
    main.popup().Show();
    main.popup().displayother("Ann", " 0161 ", "");
    main.popup().logic().Picture1_Click();
    EXPECT_TRUE(directory.isVisible());
    EXPECT_EQ(directory.control<QLineEdit>("txt_phone")->text(), "0161");
    EXPECT_EQ(directory.control<QLineEdit>("txt_name")->text(), "Ann");
    EXPECT_FALSE(std::filesystem::exists(m_folder.home() / "directory.ini")) << "not saved";
}

}  // namespace
