// The address book window's logic, apart from its widgets: the list of callers read from
// "directory.ini", the number and name fields, Save with its duplicate test, Delete, import and
// export of a whole book ("*.wca" files) and the help text. It includes no widget header; the
// window it drives is TelephoneDirectory::Window, which frm_directory implements. UI thread only.
//
// Other windows use it as the book's one writer: they fill txt_phone and txt_name and press the
// Save button (Command2_Click), so every entry is checked and stored the same way.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vevuzer {

// What the address book window shows, under the names of its controls.
struct DirectoryControls {
    std::vector<std::string> callers;  // the list entries, "number | name |"
    std::string callersText;           // the combo box's own text
    std::string txt_phone;
    std::string txt_name;
    bool Command2Bold = false;    // Save, while the fields hold typing not saved
    std::string txt_line;         // the line to dial on
    bool Command4Visible = true;  // Dial
    bool Text1Visible = false;    // the red hang-up box shown while dialling
    std::string Text1;
};

// Whether a line of the address book holds `number` anywhere, letter case ignored: the duplicate
// test of every window that adds to the book. An empty number is held by no line; a missing book
// holds nothing. Nothing, with errno set, when the book cannot be read.
std::optional<bool> directoryHoldsNumber(std::string_view number);

class TelephoneDirectory {
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

    // Shows the information window with a help text.
    using ShowInfo = std::function<void(const std::string& text)>;
    // Dialling from the address book: the Dial button reads the number, name and line fields and
    // may show the red hang-up box; a click on the red box hangs up. The window works without it.
    struct Dialling {
        std::function<void(TelephoneDirectory& directory)> Command4_Click;
        std::function<void(TelephoneDirectory& directory)> Text1_Click;
    };

    explicit TelephoneDirectory(ShowInfo showInfo = {});

    void setWindow(Window* window) { m_window = window; }
    void setDialling(Dialling dialling) { m_dialling = std::move(dialling); }

    // Loads the window when it is not loaded: the list, the line field from the settings, and
    // "Telephone directory" spoken.
    void Load();
    bool loaded() const { return m_loaded; }
    bool loading() const { return m_loading; }
    const DirectoryControls& controls() const { return m_controls; }

    // Fills the list from "directory.ini": one entry per line but the "[callers]" header lines.
    void loaddata();

    // A click on a list entry: its number and name go into the fields.
    void callers_Click(std::string_view entry);
    // The fields, as the user types or another window sets them; typing makes Save bold.
    void setTxtPhone(std::string_view text);
    void setTxtName(std::string_view text);
    void keyPressed();
    void setTxtLine(std::string_view text);
    // The red hang-up box and the Dial button, as dialling shows and hides them.
    void setRedBox(bool shown, std::string_view text = {});
    void setCommand4Visible(bool shown);

    // Save: the number is cleaned of "-" and blanks, tested against the book and appended with
    // the name. True when the entry was stored.
    bool Command2_Click();
    // Delete: every line that is exactly the number "=" the name goes from the book.
    void Command1_Click();
    // Dial the selected contact, and the click on the red box.
    void Command4_Click();
    void Text1_Click();
    void mnu_import_Click();
    void mnu_export_Click();
    void mnu_help_Click();
    void mnu_exit_Click();

    // Asked before the window closes: refused, with a message, while the red box is shown.
    bool QueryUnload();
    // Closes the window (after the query, when the user closes it).
    void Unload();

    // The entry a book line is listed as, and the number and name a list entry gives back.
    static std::string listEntry(std::string_view line);
    struct Fields {
        std::string number;
        std::string name;
    };
    static Fields fieldsOfEntry(std::string_view entry);

  private:
    void changed();
    void saveFailed(int error);

    ShowInfo m_showInfo;
    Dialling m_dialling;
    Window* m_window = nullptr;
    bool m_loaded = false;
    bool m_loading = false;
    DirectoryControls m_controls;
};

}  // namespace vevuzer
