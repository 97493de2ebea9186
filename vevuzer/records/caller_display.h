// The caller pop-up's logic, apart from its widgets: what `frm_display` shows (the number and
// name labels, the ADD, notes and delete-notes buttons, the notes box and the window's height),
// the look-up of the caller in the address book, the caller's notes file and the auto-close timer.
// It includes no widget header; the window it drives is CallerDisplay::Window, which frm_display
// implements. UI thread only.
//
// Like a form, the pop-up is loaded by the first thing that touches it and unloaded when it
// closes; the next touch loads it afresh, with empty labels and the notes closed.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/dispatch_client.h"
#include "platform/core/messages.h"

namespace vevuzer {

// An error raised while another window was being filled: its number and description.
struct WindowError {
    long number = 0;
    std::string description;
};

// The background picture's size, which the window takes at load, and the window's height while
// the notes are open.
inline constexpr int kPopupImageWidthTwips = 7545;
inline constexpr int kPopupImageHeightTwips = 2130;
inline constexpr int kPopupNotesOpenHeightTwips = 5790;

// What the pop-up's window shows, under the names of its controls.
struct CallerDisplayControls {
    std::string txt_display;       // the number, or a notice such as "Incoming Call"
    std::string txt_name;          // the caller's name, set by whoever shows the pop-up
    std::string txt_notepad;       // the notes, lines ended by CR LF
    bool Picture1Visible = false;  // ADD
    bool Picture2Visible = true;   // notes
    bool Picture3Visible = false;  // delete the notes file
    int heightTwips = kPopupImageHeightTwips;
};

class CallerDisplay {
  public:
    // The auto-close delays: after a fill, and after the last change of the notes.
    static constexpr DWORD kCloseAfterFillMs = 15000;
    static constexpr DWORD kCloseAfterNotesMs = 60000;

    // What the pop-up needs of its window.
    class Window {
      public:
        // Show what controls() holds now.
        virtual void controlsChanged() = 0;
        // The notes have opened: caret at the end of the notes, focus in the notes box, and the
        // window centred vertically on the screen.
        virtual void notesOpened() = 0;
        // The pop-up has closed: hide the window.
        virtual void unloaded() = 0;

      protected:
        ~Window() = default;
    };

    // The IDispatch of Line control `line` (1 to 4); an empty one when that line has none.
    using LineControls = std::function<com::Dispatch(int line)>;
    // Shows the address book window with its name and number fields filled and not saved; the
    // error when filling it failed.
    using OpenAddressBook = std::function<std::optional<WindowError>(const std::string& name,
                                                                     const std::string& number)>;

    CallerDisplay(LineControls lines, OpenAddressBook addressBook);
    ~CallerDisplay();
    CallerDisplay(const CallerDisplay&) = delete;
    CallerDisplay& operator=(const CallerDisplay&) = delete;

    // The window to drive; nullptr for none.
    void setWindow(Window* window) { m_window = window; }

    // Loads the pop-up when it is not loaded (labels empty, notes closed, auto-close in 15 s).
    void Load();
    bool loaded() const { return m_loaded; }
    const CallerDisplayControls& controls() const { return m_controls; }

    // The telephony road's fill: `Text` goes into the number label; the caller's number and name
    // are read from Line control `aline` when it is 1 to 4 (any other value keeps those of the
    // call before), looked up in the address book, and decide whether ADD is offered.
    void display(std::string_view Text, int aline);
    // The serial road's fill: the caller has set both labels already; `announce` is the name the
    // address book gave for the caller (empty when none).
    void displayother(std::string_view baname, std::string_view bnumber, std::string_view announce);

    // The labels, as other windows set them. A new number opens that number's notes at once.
    void setTxtDisplay(std::string_view text);
    void setTxtName(std::string_view text);
    // The notes box's text changed (typed, or set by the pop-up): closing waits 60 s from now.
    void setTxtNotepad(std::string_view text);

    // The buttons and the double-clicks that close the pop-up.
    void Picture1_Click();  // ADD: to the address book with this caller
    void Picture2_Click();  // notes: save, open in the text editor, open again with a new stamp
    void Picture3_Click();  // delete the notes file, after asking
    void Picture4_Click();  // close
    void closeByDoubleClick() { Unload(); }

    // Closes the pop-up: saves the open notes and stops the auto-close timer. Harmless when the
    // pop-up is not loaded.
    void Unload();

    // The caller as last handed to the pop-up; kept while the pop-up is closed, as a form's
    // variables are, so a fill that names no line shows the caller of the call before.
    const std::string& popupnumber() const { return m_popupnumber; }
    const std::string& popupname() const { return m_popupname; }
    bool notesopen() const { return m_notesopen; }
    const std::string& noteskey() const { return m_noteskey; }

    // The notes file of a number label's text. The key keeps only letters, digits, "+", "-" and
    // "_" of the text (after "-" and blanks are taken out), so a caller's number can never name
    // a file outside the notes folder.
    static std::string notesKeyOf(std::string_view label);
    static std::filesystem::path notesFile(std::string_view key);

  private:
    void readCallerFromLine(int aline);
    std::string lookUpPopupNumber() const;
    void offerAddWhen(bool previousLabelShown, std::string_view found);
    void restartAutoClose(DWORD milliseconds);
    void hideNotesButtonWithoutNumber();
    void notesProcedure();
    void saveAndCloseNotes();
    void openNotes(const std::string& key);
    void writeNotes(const std::string& key) const;
    void changed();

    LineControls m_lines;
    OpenAddressBook m_addressBook;
    Window* m_window = nullptr;
    core::Timer m_Timer1;
    bool m_loaded = false;
    CallerDisplayControls m_controls;
    std::string m_popupnumber;
    std::string m_popupname;
    bool m_notesopen = false;
    std::string m_noteskey;
};

}  // namespace vevuzer
