// The caller pop-up's logic over the simulated exchange, real Line controls, real files in a fresh
// program folder and virtual time. Only the user's answers to message boxes are scripted, and
// the text editor the notes open in is recorded instead of started.
#include "vevuzer/records/caller_display.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/com.h"
#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/shell/testing/recorded_starts.h"
#include "platform/tapi/exchange.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/clock_text.h"
#include "vevuzer/shell/control_ids.h"
#include "vevuzer/shell/testing/control_library.h"

namespace {

using namespace std::chrono_literals;
using vevuzer::CallerDisplay;
namespace ids = vevuzer::controls;

constexpr std::string_view kCrLf = "\r\n";

class CallerPopup : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(vevuzer::testing::registerControlLibrary(), S_OK);
        tapi::exchange().reset();
        for (int n = 1; n <= 2; ++n) {
            openLine(n);
        }
        // Whichever editor the desktop would use, only its start is recorded.
        const char* visual = std::getenv("VISUAL");
        m_visual = visual ? std::optional<std::string>(visual) : std::nullopt;
        ::setenv("VISUAL", "true", 1);
    }
    void TearDown() override {
        m_visual ? ::setenv("VISUAL", m_visual->c_str(), 1) : ::unsetenv("VISUAL");
    }

    void openLine(int n) {
        com::Ptr<IDispatch> control;
        ASSERT_EQ(CoCreateInstance(ids::CLSID_lkLine, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   control.putVoid()),
                  S_OK);
        const com::Dispatch line(control);
        const std::string device =
            tapi::exchange().config().lines.at(static_cast<std::size_t>(n - 1)).name;
        ASSERT_EQ(line.put(ids::line::DeviceName, device), S_OK);
        ASSERT_EQ(line.put(ids::line::DeviceActive, true), S_OK);
        m_lines.at(static_cast<std::size_t>(n - 1)) = line;
    }

    // A caller rings line `n` and their number and name arrive.
    void ring(int n, std::string number, std::string name) {
        tapi::IncomingCall caller;
        caller.number = std::move(number);
        caller.name = std::move(name);
        ASSERT_NE(tapi::exchange().ring(static_cast<DWORD>(n - 1), caller), 0u);
        m_time.advance(2s);
    }
    void hangUp(int n) {
        tapi::exchange().hangup(static_cast<DWORD>(n - 1));
        m_time.advance(1s);
    }

    void writeBook(std::string_view text) const {
        ASSERT_TRUE(core::rewriteFile(m_folder.home() / "directory.ini", text));
    }
    std::optional<std::string> notes(std::string_view key) const {
        return core::readFile(m_folder.home() / "notes" / (std::string(key) + ".txt"));
    }
    std::string activityLog() const {
        return core::readFile(m_folder.home() / "log.txt").value_or("");
    }
    static std::string now() { return vevuzer::dateText() + " " + vevuzer::timeText(); }

    vevuzer::testing::FreshProgramFolder m_folder;
    core::VirtualTime m_time;
    ui::ScriptedDialogs m_dialogs;
    shell::RecordedStarts m_editor;
    std::optional<std::string> m_visual;
    std::array<com::Dispatch, 4> m_lines;
    std::vector<std::pair<std::string, std::string>> m_addressBookFills;
    std::optional<vevuzer::WindowError> m_addressBookError;
    CallerDisplay m_popup{[this](int n) { return m_lines.at(static_cast<std::size_t>(n - 1)); },
                          [this](const std::string& name, const std::string& number) {
                              m_addressBookFills.emplace_back(name, number);
                              return m_addressBookError;
                          }};
};

TEST_F(CallerPopup, ReadsTheCallerFromTheLineItIsGiven) {
    ring(2, "01632960123", "ANN SMITH");
    m_popup.display("Incoming Call", 2);
    // As the control delivers them, with its number mask and its way of writing names.
    EXPECT_EQ(m_popup.popupnumber(), "016-329-60123");
    EXPECT_EQ(m_popup.popupname(), "Ann Smith");
    EXPECT_EQ(m_popup.controls().txt_display, "Incoming Call");

    ring(1, "01632960999", "BOB JONES");
    m_popup.display("01632960999", 1);
    EXPECT_EQ(m_popup.popupnumber(), "016-329-60999");
    EXPECT_EQ(m_popup.popupname(), "Bob Jones");

    // A line outside 1 to 4 keeps the caller of the call before, and the label still changes.
    for (int aline : {0, 5, 7}) {
        SCOPED_TRACE(aline);
        m_popup.display("Line " + std::to_string(aline), aline);
        EXPECT_EQ(m_popup.popupnumber(), "016-329-60999");
        EXPECT_EQ(m_popup.popupname(), "Bob Jones");
        EXPECT_EQ(m_popup.controls().txt_display, "Line " + std::to_string(aline));
    }
}

// ADD is offered when the pop-up already showed something, the caller is neither a ring notice
// nor withheld, and the address book gave no name of 2 characters or more, after a second try
// without blanks and dashes when the first gave 2 characters or fewer.
TEST_F(CallerPopup, OffersAddOnlyForAnUnknownCaller) {
    struct Case {
        const char* why;
        std::string_view book;
        std::string_view number;
        std::string_view name;
        std::string_view before;  // the number label before the call
        bool add;
    };
    static constexpr Case cases[] = {
        {"unknown", "01632960123=Ann\r\n", "01632960999", "BOB", "Incoming Call", true},
        // The line delivers 016-329-60123: found on the second try, without the dashes.
        {"known", "01632960123=Ann\r\n", "01632960123", "ANN", "Incoming Call", false},
        {"nothing shown before", "", "01632960999", "BOB", "", false},
        {"ring notice", "", "01632960999", "Incoming call", "Incoming Call", false},
        {"withheld", "", "01632960999", "WITHHELD", "Incoming Call", false},
        {"found as delivered", "016-329-60123=Ann\r\n", "01632960123", "ANN", "x", false},
        {"name of 2 characters", "01632960123=Al\r\n", "01632960123", "AL", "x", false},
        {"name of 1 character", "01632960123=A\r\n", "01632960123", "A", "x", true},
        {"empty name", "01632960123=\r\n", "01632960123", "", "x", true},
        {"too short: found inside a longer number", "01632960123=Ann\r\n", "12", "", "x", false},
        {"too short: no number matches no line", "01632960123=Ann\r\n", "", "BOB", "x", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        writeBook(std::string("[callers]\r\n") + std::string(c.book));
        ring(1, std::string(c.number), std::string(c.name));
        m_popup.Unload();
        m_popup.setTxtDisplay(c.before);
        m_popup.display(c.number, 1);
        EXPECT_EQ(m_popup.controls().Picture1Visible, c.add);
        hangUp(1);
    }
}

TEST_F(CallerPopup, DisplayotherOffersAddByTheSameRule) {
    m_popup.setTxtDisplay("01632960999");
    m_popup.displayother("Incoming call", "No caller id", "");
    EXPECT_FALSE(m_popup.controls().Picture1Visible);
    m_popup.displayother("SMITH", "01632960123", "Ann Smith");
    EXPECT_FALSE(m_popup.controls().Picture1Visible);
    m_popup.displayother("SMITH", "01632960123", "");
    EXPECT_TRUE(m_popup.controls().Picture1Visible);
    EXPECT_EQ(m_popup.popupnumber(), "01632960123");

    m_popup.Unload();
    m_popup.displayother("SMITH", "01632960123", "");
    EXPECT_FALSE(m_popup.controls().Picture1Visible) << "nothing shown yet";
    EXPECT_FALSE(m_popup.controls().Picture2Visible) << "no number, no notes";
}

// The notes of the number shown open by themselves; when the number changes, the old notes are
// saved and shown in the text editor, and the new number's open.
TEST_F(CallerPopup, OpensTheNotesOfEachNumberShownAndKeepsThem) {
    ring(1, "01632 960-123", "ANN SMITH");
    m_popup.display("Incoming Call", 1);
    const std::string started = "--Notepad started " + now() + "--\r\n";
    EXPECT_EQ(m_popup.noteskey(), "IncomingCall");
    EXPECT_TRUE(m_popup.notesopen());
    EXPECT_EQ(m_popup.controls().txt_notepad, started);
    EXPECT_EQ(m_popup.controls().heightTwips, vevuzer::kPopupNotesOpenHeightTwips);
    EXPECT_TRUE(m_popup.controls().Picture3Visible);

    m_popup.setTxtNotepad(started + "rang twice\r\n");
    m_popup.display("01632 960-123", 1);
    EXPECT_EQ(notes("IncomingCall"), started + "rang twice\r\n" + std::string(kCrLf));
    const auto editor = m_editor.waitFor(1);
    ASSERT_EQ(editor.size(), 1u);
    EXPECT_EQ(editor[0].argv.back(), (m_folder.home() / "notes" / "IncomingCall.txt").string());
    EXPECT_EQ(m_popup.noteskey(), "01632960123");
    EXPECT_EQ(m_popup.controls().txt_notepad, started);

    m_popup.setTxtNotepad(started + "owes us a call\r\n");
    m_popup.Picture4_Click();
    EXPECT_FALSE(m_popup.loaded());
    EXPECT_EQ(notes("01632960123"), started + "owes us a call\r\n" + std::string(kCrLf));

    m_time.advance(1h);
    m_popup.display("01632960123", 1);
    EXPECT_EQ(m_popup.controls().txt_notepad,
              started + "owes us a call\r\n\r\n\r\n---" + now() + "---\r\n");
    EXPECT_EQ(m_editor.recorded().size(), 1u) << "a fresh pop-up has no notes to hand over";
}

TEST_F(CallerPopup, TheNotesButtonSavesAndReopensWithANewStamp) {
    m_popup.setTxtDisplay("01632960123");
    m_popup.setTxtNotepad("first\r\n");
    m_time.advance(30s);
    m_popup.Picture2_Click();
    EXPECT_EQ(notes("01632960123"), "first\r\n\r\n");
    EXPECT_EQ(m_popup.controls().txt_notepad, "first\r\n\r\n\r\n---" + now() + "---\r\n");
    EXPECT_EQ(m_editor.waitFor(1).size(), 1u);
}

// A caller's number is free text on some lines: only letters, digits, "+" and "_" of it name the
// notes file, which always lies in the program folder's "notes" folder.
TEST_F(CallerPopup, NumbersNameNotesFilesOnlyBySafeCharacters) {
    struct Case {
        std::string_view label;
        std::string_view key;
    };
    static constexpr Case cases[] = {
        {"01632 960-123", "01632960123"},
        {"Incoming Call", "IncomingCall"},
        {"+44 (0)1632 960123", "+4401632960123"},
        {"../../etc/passwd", "etcpasswd"},
        {"a/b\\c.d:e*f?", "abcdef"},
        {"x_y\r\n\t", "x_y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(CallerDisplay::notesKeyOf(c.label), c.key);
    }

    m_popup.setTxtDisplay("../../outside");
    m_popup.Unload();
    EXPECT_TRUE(notes("outside"));
    EXPECT_FALSE(std::filesystem::exists(m_folder.home().parent_path() / "outside.txt"));
}

TEST_F(CallerPopup, ClosesFifteenSecondsAfterTheLastFillAndAMinuteAfterTheLastNote) {
    m_popup.display("01632960123", 1);
    m_time.advance(14s);
    m_popup.display("01632960123", 1);
    m_time.advance(14999ms);
    EXPECT_TRUE(m_popup.loaded());
    m_time.advance(1ms);
    EXPECT_FALSE(m_popup.loaded());
    EXPECT_TRUE(notes("01632960123")) << "closing saves the open notes";

    m_popup.display("01632960999", 1);
    m_popup.setTxtNotepad("typing");
    m_time.advance(59999ms);
    EXPECT_TRUE(m_popup.loaded());
    m_time.advance(1ms);
    EXPECT_FALSE(m_popup.loaded());
    EXPECT_EQ(notes("01632960999"), "typing\r\n");
}

TEST_F(CallerPopup, DeletesTheNotesOnlyWhenTheUserSaysYes) {
    m_popup.setTxtDisplay("01632960123");
    m_popup.Unload();
    ASSERT_TRUE(notes("01632960123"));

    m_popup.setTxtDisplay("01632960123");
    m_dialogs.answerMsgBox(ui::vbNo);
    m_popup.Picture3_Click();
    EXPECT_TRUE(m_popup.loaded());
    EXPECT_TRUE(notes("01632960123"));

    m_dialogs.answerMsgBox(ui::vbYes);
    m_popup.Picture3_Click();
    EXPECT_FALSE(m_popup.loaded());
    EXPECT_FALSE(notes("01632960123")) << "closing does not write the deleted notes again";

    ASSERT_EQ(m_dialogs.shown().size(), 2u);
    EXPECT_EQ(m_dialogs.shown()[0].title, "Are you sure?");
    EXPECT_EQ(m_dialogs.shown()[0].text,
              "Are you sure you want to delete the log file associated with this caller? You "
              "won't be able to get it back!");
    EXPECT_EQ(m_dialogs.shown()[0].flags & ui::kButtonsMask, ui::vbYesNo);
}

TEST_F(CallerPopup, AddHandsTheCallerToTheAddressBookAndCloses) {
    m_popup.displayother("  Ann Smith ", " 01632960123  ", "");
    m_popup.Picture1_Click();
    ASSERT_EQ(m_addressBookFills.size(), 1u);
    EXPECT_EQ(m_addressBookFills[0],
              (std::pair<std::string, std::string>("Ann Smith", "01632960123")));
    EXPECT_FALSE(m_popup.loaded());
    EXPECT_NE(activityLog().find(
                  "User has clicked on the ADD button in the main number and name display\r\n"),
              std::string::npos);

    m_addressBookError = vevuzer::WindowError{91, "Object variable not set"};
    m_popup.displayother("Ann Smith", "01632960123", "");
    m_popup.Picture1_Click();
    EXPECT_TRUE(m_popup.loaded()) << "the pop-up stays for another try";
    EXPECT_NE(activityLog().find("There has been an error:\r\nThe error number is 91, description "
                                 "is: Object variable not set\r\n"),
              std::string::npos);
    ASSERT_EQ(m_dialogs.shown().size(), 1u);
    EXPECT_EQ(m_dialogs.shown()[0].text,
              "There has been an error: The error number is: 91, description is: Object variable "
              "not set");
}

}  // namespace
