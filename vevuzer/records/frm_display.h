// The caller pop-up window: the number and name of a ringing caller, the ADD button that takes
// an unknown caller to the address book, and the caller's notes. The widgets are named as the
// window's controls (`txt_display`, `txt_name`, `Picture1` to `Picture4`, `txt_notepad`,
// `Image1`); everything they do is CallerDisplay's.
#pragma once

#include <string_view>

#include "platform/ui/form.h"
#include "vevuzer/records/caller_display.h"

class QCloseEvent;
class QLabel;
class QPlainTextEdit;
class QToolButton;

class frm_display : public ui::Form, private vevuzer::CallerDisplay::Window {
  public:
    // `lines` gives the Line control of each line (the main window's lkLine1 to lkLine4);
    // `addressBook` opens the address book window filled with a caller.
    frm_display(vevuzer::CallerDisplay::LineControls lines,
                vevuzer::CallerDisplay::OpenAddressBook addressBook, QWidget* parent = nullptr);
    ~frm_display() override;

    // Loads the pop-up when it is closed and shows it, modeless.
    void Show();
    // Brings the pop-up to the front with the keyboard focus.
    void SetFocus();

    void display(std::string_view Text, int aline) { m_logic.display(Text, aline); }
    void displayother(std::string_view baname, std::string_view bnumber,
                      std::string_view announce) {
        m_logic.displayother(baname, bnumber, announce);
    }
    // The two labels, which the windows that show the pop-up set themselves.
    void setTxtDisplay(std::string_view text) { m_logic.setTxtDisplay(text); }
    void setTxtName(std::string_view text) { m_logic.setTxtName(text); }

    vevuzer::CallerDisplay& logic() { return m_logic; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // CallerDisplay::Window
    void controlsChanged() override;
    void notesOpened() override;
    void unloaded() override;

    void notesTyped();

    vevuzer::CallerDisplay m_logic;
    QLabel* m_Image1;
    QLabel* m_txtDisplay;
    QLabel* m_txtName;
    QToolButton* m_Picture1;
    QToolButton* m_Picture2;
    QToolButton* m_Picture3;
    QToolButton* m_Picture4;
    QPlainTextEdit* m_txtNotepad;
    bool m_showingControls = false;
    bool m_closing = false;
};
