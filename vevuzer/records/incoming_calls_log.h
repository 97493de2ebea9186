// The incoming-call log window's logic, apart from its widgets: every line of "inclog.txt" listed,
// listening to an entry (a recording played, a caller read out), removing every line of a caller,
// clearing the log, sending a caller to the address book and printing the log. It includes no
// widget header; the window it drives is IncomingCallsLog::Window, which frm_inclog implements.
// UI thread only.
//
// Every log line is fields joined by ", ": the caller-ID lines ("number, name, date time"; the
// number is empty for a withheld caller and "No Number" from the serial reader), the lines of
// calls without caller ID ("Unknow caller on line 2, Caller ID not recorded, date; time", and
// "... on comm 1, Caller ID not available, ..."), and the call-back recorder's lines
// ("3.wav, Caller ID recording on line 1, , date time" and "Failed Caller I D record, on line 1,
// , date time"). Nothing is quoted, so a name holding a comma shifts the fields after it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vevuzer {

class TelephoneDirectory;

// The first two fields of a log line: the text before the first comma, and the text between the
// first and the second comma; each ends at the end of the line when its comma is missing.
struct CallLogFields {
    std::string first;
    std::string second;
};
CallLogFields callLogFields(std::string_view line);

// The recording a line names: the word holding its first ".wav" (any letter case), bounded by
// blanks, commas or the line's ends; "" when the line holds no ".wav".
std::string recordingOf(std::string_view line);

// What listening to a caller's entry says: each character of the first field followed by a
// blank, twice over for a number, then ". " and the name, in lower case.
std::string spokenEntry(std::string_view entry);

struct InclogControls {
    std::vector<std::string> com_calls;
    int ListIndex = -1;
};

class IncomingCallsLog {
  public:
    class Window {
      public:
        // Show what controls() holds now.
        virtual void controlsChanged() = 0;
        // The window has closed: hide it.
        virtual void unloaded() = 0;

      protected:
        ~Window() = default;
    };

    // Shows the address book window, loading it when needed.
    using ShowDirectory = std::function<TelephoneDirectory&()>;
    // Hides the main window's call list and shows its status box.
    using ShowStatusBox = std::function<void()>;

    IncomingCallsLog(ShowDirectory showDirectory, ShowStatusBox showStatusBox);

    void setWindow(Window* window) { m_window = window; }

    // Loads the window when it is not loaded: every line of the log, the newest selected.
    void Load();
    bool loaded() const { return m_loaded; }
    const InclogControls& controls() const { return m_controls; }
    void setListIndex(int index);
    std::string selectedText() const;

    // Listening: double click, Enter and "Listen to this entry".
    void com_calls_DblClick();
    void Command1_Click();  // close
    void Command2_Click();  // clear the log
    void Command3_Click();  // remove the selected caller
    void Command4_Click();  // add the selected caller to the address book
    void Command5_Click();  // print

    void Unload();

  private:
    void changed();
    void listLog(bool stopAtShortLine);

    ShowDirectory m_showDirectory;
    ShowStatusBox m_showStatusBox;
    Window* m_window = nullptr;
    bool m_loaded = false;
    InclogControls m_controls;
};

}  // namespace vevuzer
