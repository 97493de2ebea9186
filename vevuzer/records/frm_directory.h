// The address book window: the list of callers, the number and name fields with Save and Delete,
// the line to dial on with the Dial button and the red hang-up box, and the File menu (import,
// export, help, exit). The widgets are named as the window's controls (`callers`, `txt_phone`,
// `txt_name`, `Command1`, `Command2`, `Command4`, `txt_line`, `Text1`, `mnu_import` ...);
// everything they do is TelephoneDirectory's.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/form.h"
#include "vevuzer/records/telephone_directory.h"

class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frm_directory : public ui::Form, private vevuzer::TelephoneDirectory::Window {
  public:
    explicit frm_directory(vevuzer::TelephoneDirectory::ShowInfo showInfo = {},
                           QWidget* parent = nullptr);
    ~frm_directory() override;

    // Loads the window when it is closed, shows it modeless and brings it to the front.
    void Show();

    vevuzer::TelephoneDirectory& logic() { return m_logic; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // TelephoneDirectory::Window
    void controlsChanged() override;
    void unloaded() override;

    vevuzer::TelephoneDirectory m_logic;
    QComboBox* m_callers;
    QLineEdit* m_txtPhone;
    QLineEdit* m_txtName;
    QPushButton* m_Command2;
    QPushButton* m_Command1;
    QPushButton* m_Command4;
    QLineEdit* m_txtLine;
    QLabel* m_Text1;
    std::vector<std::string> m_shownCallers;
    bool m_showingControls = false;
    bool m_unloading = false;
};
