// The settings window: ten pages of settings loaded from the store and the two number lists, and
// written back by Apply or OK. The device boxes of the Modems page and the port list of the
// Compatibility page act at once: a line is pointed at a new device, a serial modem is found and
// set up. While the window is loaded the main window stays hidden. Widgets carry the names of the
// window's controls (`ComboDevice`, `chk_getcid`, `txt_blocked`, `com_ok` ...). UI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/core/messages.h"
#include "platform/ui/form.h"
#include "vevuzer/shell/hosted_control.h"

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace vevuzer {
class MainWindow;
}

class frm_settings : public ui::Form {
  public:
    // The pages, in the order the tab control holds them.
    enum Page {
        Modems,
        About,
        CallerId,
        General,
        Blocked,
        EmailNotification,
        Problems,
        CheckEmail,
        QuickFax,
        Compatibility,
    };
    using ShowInfo = std::function<void(const std::string& text)>;

    frm_settings(vevuzer::MainWindow& main, ShowInfo showInfo, QWidget* parent = nullptr);
    ~frm_settings() override;

    // Loads the window when it is not loaded, shows it modeless and brings it to the front.
    void Show();
    bool loaded() const { return m_loaded; }

    // The tab control: the page in front, and one page switched on or off.
    int Tab() const;
    void setTab(int page);
    void setTabEnabled(int page, bool enabled);
    bool tabEnabled(int page) const;

    // The buttons and the controls that act at once, as a click on them does.
    void com_ok_Click();
    void com_apply_Click();
    void com_cancel_Click();
    // The blocked list's number box.
    void setTxtPhone(std::string_view number);
    void com_add_Click();
    // The call list's block: the number goes into the blocked list box and, at once, into the
    // stored list, so the caller is dropped whether or not the window is closed with OK. False,
    // the user told why, when it was not added.
    bool blockCaller(std::string_view number);
    void com_remove_Click();
    void com_addemail_Click();
    void com_removeemail_Click();
    void chk_comp_Click();
    void com_kind_Click();
    void Command12_Click();
    void Label12_Click();
    // A device chosen in line N's box (1 to 4), and line N's dial-tone test.
    void lineDevice_Click(int N);
    void lineDialTone_Click(int N);
    // A port chosen in `com_port`: the serial modem or caller-ID unit set-up.
    void com_port_Click();
    // Mail sending from the Problems and Quick Send Fax pages.
    void com_sendproblem_Click();
    void Command21_Click();
    void Timer1_Timer();

    // The settings window's own serial port control, for the modem set-up.
    const vevuzer::HostedControl& comm() const { return m_comm; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildPages();
    QWidget* modemsPage();
    QWidget* aboutPage();
    QWidget* callerIdPage();
    QWidget* generalPage();
    QWidget* blockedPage();
    QWidget* emailPage();
    QWidget* problemsPage();
    QWidget* checkEmailPage();
    QWidget* quickFaxPage();
    QWidget* compatibilityPage();
    QCheckBox* checkBox(QWidget* page, const char* name, const char* caption, const char* tip);
    QLineEdit* textBox(QWidget* page, const char* name, const char* label, const char* tip);
    QPushButton* button(QWidget* page, const char* name, const char* caption, const char* tip);
    QPushButton* helpButton(QWidget* page, const char* name, std::string text);

    void Form_Load();
    void Form_Unload();
    void fillDeviceBoxes();
    void loadCheckBoxes();
    QComboBox* lineBox(int N) const { return m_lineBoxes.at(static_cast<std::size_t>(N - 1)); }
    void appendDebug(std::string_view message);
    void restartProgram();
    bool openTestPort(int port);
    void findCallerIdCommand();
    // The Problems and Quick Send Fax pages while their mail is sent: buttons and pages locked.
    void lockForSending(QWidget* button, QLabel* wait, bool locked);
    void mailFailed(std::int32_t code, bool dialled, const std::function<void()>& unlock);

    vevuzer::MainWindow& m_main;
    ShowInfo m_showInfo;
    vevuzer::HostedControl m_comm;
    core::Timer m_Timer1;
    bool m_loaded = false;
    bool m_unloading = false;
    bool loading = false;
    // Per line, the device the user chose that failed to open: Apply leaves the line's stored
    // device as it is while the box shows it.
    std::array<std::string, 4> m_refusedDevices;

    QTabWidget* m_SSTab1;
    std::array<QComboBox*, 4> m_lineBoxes{};
    QCheckBox* m_chk_getcid;
    QCheckBox* m_chk_format;
    QLineEdit* m_txt_callback;
    QLineEdit* m_txt_rec;
    QLineEdit* m_txt_attempts;
    QCheckBox* m_chk_alive;
    QCheckBox* m_chk_dialtone;
    QCheckBox* m_chk_lww;
    QCheckBox* m_chk_scroll;
    QCheckBox* m_chk_rpt;
    QLineEdit* m_txt_wav;
    QCheckBox* m_chk_clockenabled;
    QLineEdit* m_txt_freq;
    QCheckBox* m_chk_silence;
    QLineEdit* m_txt_phone;
    QPlainTextEdit* m_txt_blocked;
    QCheckBox* m_chk_blkwith;
    QCheckBox* m_chk_enableemail;
    QLineEdit* m_txt_number;
    QPlainTextEdit* m_txt_email;
    QLineEdit* m_txt_emailto;
    QLineEdit* m_txt_smtp;
    QCheckBox* m_chk_connect;
    QCheckBox* m_chk_close;
    QPlainTextEdit* m_txt_problem;
    QLabel* m_lab_wait;
    QLabel* m_lab_wait1;
    QLineEdit* m_txt_emailaddress;
    QLineEdit* m_pop3username;
    QLineEdit* m_pop3password;
    QLineEdit* m_pop3server;
    QLineEdit* m_emailscan;
    QCheckBox* m_chk_email;
    QCheckBox* m_chk_force;
    QLineEdit* m_recipient;
    QLineEdit* m_faxnumber;
    QPlainTextEdit* m_faxmessage;
    QComboBox* m_com_kind;
    QComboBox* m_com_port;
    QCheckBox* m_chk_comp;
    QPlainTextEdit* m_txt_debug;
};
