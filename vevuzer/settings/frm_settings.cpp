// The settings window: its pages, loading, Apply, OK, Cancel and the controls that act at once.
#include "vevuzer/settings/frm_settings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>

#include "platform/core/folders.h"
#include "platform/serial/serial.h"
#include "platform/ui/dialogs.h"
#include "vevuzer/settings/first_run.h"
#include "vevuzer/settings/number_lists.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/frm_start.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/mod_clock.h"
#include "vevuzer/shell/sound.h"
#include "vevuzer/shell/speech_output.h"

namespace {

namespace dialog = settings::dialog;

constexpr DWORD kTimerMs = 1000;
constexpr std::string_view kWebPage = "http://www.fenwright.example/belltale.htm";

QString q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}
std::string text(const QLineEdit* box) {
    return box->text().toStdString();
}
std::string text(const QPlainTextEdit* box) {
    return box->toPlainText().toStdString();
}
std::string text(const QComboBox* box) {
    return box->currentText().toStdString();
}
void setText(QLineEdit* box, std::string_view value) {
    box->setText(q(value));
}
void setText(QPlainTextEdit* box, std::string_view value) {
    box->setPlainText(q(value));
}

std::string lineHelp(int N) {
    return "In this box, you need to select the TAPI compliant modem that you wish to use on "
           "line " +
           std::to_string(N) +
           ". If you don`t have a modem to use on this line, then simply select the 'No modem on "
           "this line option'";
}

}  // namespace

frm_settings::frm_settings(vevuzer::MainWindow& main, ShowInfo showInfo, QWidget* parent)
    : ui::Form(parent), m_main(main), m_showInfo(std::move(showInfo)) {
    setObjectName("frm_settings");
    setCaption("Settings for Belltale");
    buildPages();
    m_Timer1.setOnTimer([this] { Timer1_Timer(); });
    m_comm.adopt(serial::createMSCommObject(), serial::DIID_DMSCommEvents,
                 [](DISPID, const com::EventArgs&) {});
}

frm_settings::~frm_settings() = default;

// ---- Building the pages ----

namespace {

// Check boxes do not wrap their captions: long ones are broken between words here.
QString wrapped(std::string_view caption) {
    constexpr std::size_t kWidth = 90;
    std::string out;
    std::size_t lineLength = 0;
    std::size_t start = 0;
    while (start < caption.size()) {
        std::size_t end = caption.find(' ', start);
        if (end == std::string_view::npos)
            end = caption.size();
        const std::string_view word = caption.substr(start, end - start);
        if (lineLength > 0 && lineLength + 1 + word.size() > kWidth) {
            out += '\n';
            lineLength = 0;
        } else if (lineLength > 0) {
            out += ' ';
            ++lineLength;
        }
        out += word;
        lineLength += word.size();
        start = end + 1;
    }
    return q(out);
}

}  // namespace

QCheckBox* frm_settings::checkBox(QWidget* page, const char* name, const char* caption,
                                  const char* tip) {
    auto* box = new QCheckBox(wrapped(caption), page);
    box->setObjectName(name);
    box->setToolTip(q(tip));
    static_cast<QGridLayout*>(page->layout())->addWidget(box, page->layout()->count(), 0, 1, 2);
    return box;
}

QLineEdit* frm_settings::textBox(QWidget* page, const char* name, const char* label,
                                 const char* tip) {
    auto* grid = static_cast<QGridLayout*>(page->layout());
    const int row = grid->rowCount();
    if (label && *label) {
        auto* caption = new QLabel(q(label), page);
        caption->setWordWrap(true);
        grid->addWidget(caption, row, 0);
    }
    auto* box = new QLineEdit(page);
    box->setObjectName(name);
    box->setToolTip(q(tip));
    grid->addWidget(box, row, 1);
    return box;
}

QPushButton* frm_settings::button(QWidget* page, const char* name, const char* caption,
                                  const char* tip) {
    auto* pushed = new QPushButton(q(caption), page);
    pushed->setObjectName(name);
    pushed->setToolTip(q(tip));
    return pushed;
}

QPushButton* frm_settings::helpButton(QWidget* page, const char* name, std::string help) {
    QPushButton* pushed = button(page, name, "Help", "Click here to get a little more help");
    connect(pushed, &QPushButton::clicked, this, [this, help] {
        if (m_showInfo)
            m_showInfo(help);
    });
    auto* grid = static_cast<QGridLayout*>(page->layout());
    grid->addWidget(pushed, grid->rowCount(), 1, Qt::AlignRight);
    return pushed;
}

namespace {

QWidget* newPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setColumnStretch(1, 1);
    return page;
}

// A "<" and ">" pair beside a box, in the box's row.
std::pair<QPushButton*, QPushButton*> arrows(QWidget* page, QLineEdit* box, const char* down,
                                             const char* downTip, const char* up,
                                             const char* upTip) {
    auto* row = new QWidget(page);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* less = new QPushButton("<", row);
    less->setObjectName(down);
    less->setToolTip(q(downTip));
    auto* more = new QPushButton(">", row);
    more->setObjectName(up);
    more->setToolTip(q(upTip));
    auto* grid = static_cast<QGridLayout*>(page->layout());
    int boxRow = 0, column = 0, rows = 0, columns = 0;
    grid->getItemPosition(grid->indexOf(box), &boxRow, &column, &rows, &columns);
    grid->removeWidget(box);
    box->setParent(row);
    layout->addWidget(less);
    layout->addWidget(box);
    layout->addWidget(more);
    grid->addWidget(row, boxRow, 1);
    return {less, more};
}

// Makes `follower` enabled exactly while `leader` is.
class EnabledFollower final : public QObject {
  public:
    EnabledFollower(QWidget* leader, QWidget* follower) : QObject(follower), m_follower(follower) {
        leader->installEventFilter(this);
        follower->setEnabled(leader->isEnabled());
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange) {
            m_follower->setEnabled(static_cast<QWidget*>(watched)->isEnabled());
        }
        return false;
    }

  private:
    QWidget* m_follower;
};

// The ten pages' names in rows of whole labels, in their order, in place of the tab bar: in one row
// the desktop's fonts would not fit the window, and a scrolled bar cuts the labels at its ends. The
// rows choose the page, follow the page shown, and are disabled with the pages.
QWidget* pageChooser(QTabWidget* pages) {
    constexpr int kPerRow = 5;
    auto* rows = new QWidget;
    rows->setObjectName("tab_rows");
    auto* grid = new QGridLayout(rows);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    auto* group = new QButtonGroup(rows);
    for (int i = 0; i < pages->count(); ++i) {
        auto* tab = new QPushButton(pages->tabText(i), rows);
        tab->setObjectName(QString("tab_%1").arg(i));
        tab->setCheckable(true);
        tab->setEnabled(pages->isTabEnabled(i));
        group->addButton(tab, i);
        grid->addWidget(tab, i / kPerRow, i % kPerRow);
    }
    QObject::connect(group, &QButtonGroup::idClicked, pages, &QTabWidget::setCurrentIndex);
    const auto showCurrent = [group](int page) {
        if (QAbstractButton* tab = group->button(page)) {
            tab->setChecked(true);
        }
    };
    QObject::connect(pages, &QTabWidget::currentChanged, group, showCurrent);
    showCurrent(pages->currentIndex());
    pages->tabBar()->hide();
    new EnabledFollower(pages, rows);
    return rows;
}

}  // namespace

void frm_settings::buildPages() {
    auto* layout = new QVBoxLayout(this);
    m_SSTab1 = new QTabWidget(this);
    m_SSTab1->setObjectName("SSTab1");
    layout->addWidget(m_SSTab1);
    m_SSTab1->addTab(modemsPage(), "Modems");
    m_SSTab1->addTab(aboutPage(), "About");
    m_SSTab1->addTab(callerIdPage(), "Caller ID");
    m_SSTab1->addTab(generalPage(), "General Settings");
    m_SSTab1->addTab(blockedPage(), "Blocked callers");
    m_SSTab1->addTab(emailPage(), "Email notification");
    m_SSTab1->addTab(problemsPage(), "Problems");
    m_SSTab1->addTab(checkEmailPage(), "Check Email");
    m_SSTab1->addTab(quickFaxPage(), "Quick Send Fax");
    m_SSTab1->addTab(compatibilityPage(), "Compatibility");
    layout->insertWidget(0, pageChooser(m_SSTab1));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    QPushButton* ok = button(this, "com_ok", "OK", "Click here to apply and close this window");
    QPushButton* apply = button(this, "com_apply", "Apply", "Click here to apply your changes");
    QPushButton* cancel = button(this, "com_cancel", "Cancel",
                                 "Click here to Cancel your changes (except modem changes)");
    buttons->addWidget(ok);
    buttons->addWidget(apply);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, [this] { com_ok_Click(); });
    connect(apply, &QPushButton::clicked, this, [this] { com_apply_Click(); });
    connect(cancel, &QPushButton::clicked, this, [this] { com_cancel_Click(); });
    resize(640, 480);
}

QWidget* frm_settings::modemsPage() {
    QWidget* page = newPage();
    auto* grid = static_cast<QGridLayout*>(page->layout());
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 0);
    // The dial-tone buttons are not named in line order.
    static constexpr const char* kBoxes[] = {"ComboDevice", "com_line2", "com_line3", "com_line4"};
    static constexpr const char* kDialTone[] = {"Command14", "Command17", "Command16", "Command15"};
    static constexpr const char* kHelp[] = {"Command3", "Command4", "Command5", "Command6"};
    for (int N = 1; N <= 4; ++N) {
        const int row = (N - 1) * 2;
        grid->addWidget(new QLabel(q("Use this device for line " + std::to_string(N)), page), row,
                        0, 1, 3);
        auto* box = new QComboBox(page);
        box->setObjectName(kBoxes[N - 1]);
        box->setEditable(true);
        box->setToolTip(q("This is the modem that will be used on line " + std::to_string(N)));
        m_lineBoxes[static_cast<std::size_t>(N - 1)] = box;
        connect(box, &QComboBox::activated, this, [this, N](int) { lineDevice_Click(N); });
        grid->addWidget(box, row + 1, 0);
        QPushButton* dial = button(page, kDialTone[N - 1], "Dial Tone?",
                                   "Click here to check for a dialtone on this line");
        connect(dial, &QPushButton::clicked, this, [this, N] { lineDialTone_Click(N); });
        grid->addWidget(dial, row + 1, 1);
        QPushButton* help =
            button(page, kHelp[N - 1], "Help", "Click here to get a little more help");
        connect(help, &QPushButton::clicked, this, [this, N] {
            if (m_showInfo)
                m_showInfo(lineHelp(N));
        });
        grid->addWidget(help, row + 1, 2);
    }
    auto* note = new QLabel(
        "Your modem must support the caller ID standard of your country (voice modems that report "
        "caller ID through the telephony drivers).",
        page);
    note->setWordWrap(true);
    grid->addWidget(note, 8, 0, 1, 3);
    return page;
}

QWidget* frm_settings::aboutPage() {
    QWidget* page = newPage();
    auto* grid = static_cast<QGridLayout*>(page->layout());
    auto* about = new QLabel(
        "Belltale watches up to four telephone lines, announces and logs who is calling, blocks "
        "the callers you choose, mails you about the calls you care about and keeps your address "
        "book.",
        page);
    about->setWordWrap(true);
    grid->addWidget(about, 0, 0, 1, 2);
    QPushButton* link = button(page, "Label12", "Click here to visit the Belltale web site", "");
    link->setFlat(true);
    connect(link, &QPushButton::clicked, this, [this] { Label12_Click(); });
    grid->addWidget(link, 1, 0, 1, 2);
    grid->setRowStretch(2, 1);
    return page;
}

QWidget* frm_settings::callerIdPage() {
    QWidget* page = newPage();
    m_chk_getcid = checkBox(page, "chk_getcid",
                            "Dial out for Caller ID info, when a call comes in without it.",
                            "Click here to enable or display auto dial out after un identified "
                            "caller information");
    m_chk_format =
        checkBox(page, "chk_format", "Format caller ID data for American or Canadian systems",
                 "Click here to enable or disable the USA and Canada number formatting");
    m_txt_callback = textBox(
        page, "txt_callback",
        "In this box, enter the telephone number (if any) that enables you to call and hear who "
        "the last caller was.",
        "This is the caller ID information number that your telco provider allows you to use");
    m_txt_rec = textBox(page, "txt_rec",
                        "How long would you like to record the line (in seconds), allow enough "
                        "time for the whole number to be spoken by your telephone providers "
                        "system.",
                        "This is how long the line will be recorded after calling the above "
                        "telephone number");
    m_txt_attempts = textBox(page, "txt_attempts",
                             "When trying to dial out and the line is in use, then try to dial "
                             "this many times before quitting. (you need to re-start before this "
                             "will take effect)",
                             "This is how many attempts will be made");
    const auto [down, up] =
        arrows(page, m_txt_attempts, "Command7", "Click here to decrease the attempts", "Command13",
               "Click here to increase the attempts");
    connect(down, &QPushButton::clicked, this,
            [this] { setText(m_txt_attempts, settings::attemptsDown(text(m_txt_attempts))); });
    connect(up, &QPushButton::clicked, this,
            [this] { setText(m_txt_attempts, settings::attemptsUp(text(m_txt_attempts))); });
    helpButton(page, "Command10",
               "The telephone number should be the one told to you by your telco provider. This "
               "is the last caller announcement service for people who don`t have caller ID. The "
               "recording length is how long it takes the automated voice to announce the last "
               "callers number in full, this is entered in seconds.");
    return page;
}

QWidget* frm_settings::generalPage() {
    QWidget* page = newPage();
    m_chk_alive = checkBox(page, "chk_alive", "Keep the PC awake and speed up Belltale",
                           "Enabling this will make Belltale react faster when a call comes in.");
    m_chk_dialtone =
        checkBox(page, "chk_dialtone", "Do not check for dialtone when doing 1471 call back",
                 "Enabling this will stop the dialtone check");
    m_chk_lww = checkBox(page, "chk_lww", "Load Belltale everytime window starts",
                         "Click here to make or stop this software loading with windows");
    m_chk_scroll = checkBox(page, "chk_scroll",
                            "Make the scroll lock light (on the keyboard) blink when a new call "
                            "comes in. It will stop when you review your new calls",
                            "Click here to make the scroll lock light flash when a new call comes "
                            "in");
    m_txt_wav = textBox(page, "txt_wav",
                        "Play this .wav file for an incoming call. This only applies to calls "
                        "that have no caller ID data.",
                        "This is the .wav file that will be played when an incoming call begins");
    QPushButton* change =
        button(page, "Command12", "Change", "Click here to select a new .wav file");
    static_cast<QGridLayout*>(page->layout())
        ->addWidget(change, static_cast<QGridLayout*>(page->layout())->rowCount(), 1,
                    Qt::AlignRight);
    connect(change, &QPushButton::clicked, this, [this] { Command12_Click(); });
    m_chk_rpt = checkBox(page, "chk_rpt",
                         "Play the above file on every ring. Unchecking this box will play the "
                         "sound only once when the phone rings (no caller ID only!)",
                         "Click here to make the above .wav file play everytime a ring is heard");
    m_chk_clockenabled = checkBox(page, "chk_clockenabled", "Enable speaking clock",
                                  "Click here to enable or disable the speaking clock");
    m_txt_freq = textBox(page, "txt_freq", "Announce the time every",
                         "This is the frequency at which the time will be announced");
    const auto [down, up] =
        arrows(page, m_txt_freq, "Command1", "Click here to move down one minute", "Command2",
               "Click here to move up one minute");
    connect(down, &QPushButton::clicked, this,
            [this] { setText(m_txt_freq, settings::minuteDown(text(m_txt_freq))); });
    connect(up, &QPushButton::clicked, this,
            [this] { setText(m_txt_freq, settings::minuteUp(text(m_txt_freq))); });
    m_chk_silence =
        checkBox(page, "chk_silence", "Silence Belltale. Enabling this setting stops the speech",
                 "Click here to stop Belltale from speaking");
    helpButton(page, "Command8",
               "The speaking clock simply announces the time every ? minutes, depending on the "
               "interval that you select. You can select anything between 1 and 59 minutes by "
               "clicking on the < and > arrows.");
    return page;
}

QWidget* frm_settings::blockedPage() {
    QWidget* page = newPage();
    auto* grid = static_cast<QGridLayout*>(page->layout());
    m_txt_phone = textBox(page, "txt_phone", "Telephone number:", "");
    QPushButton* add = button(page, "com_add", "Add to list", "");
    QPushButton* remove = button(page, "com_remove", "Remove from list", "");
    grid->addWidget(add, grid->rowCount(), 0);
    grid->addWidget(remove, grid->rowCount() - 1, 1, Qt::AlignLeft);
    connect(add, &QPushButton::clicked, this, [this] { com_add_Click(); });
    connect(remove, &QPushButton::clicked, this, [this] { com_remove_Click(); });
    m_txt_blocked = new QPlainTextEdit(page);
    m_txt_blocked->setObjectName("txt_blocked");
    grid->addWidget(m_txt_blocked, grid->rowCount(), 0, 1, 2);
    m_chk_blkwith = checkBox(page, "chk_blkwith", "Block withheld callers",
                             "Click here to enable or disable blocking on Withheld calls");
    helpButton(page, "Command9",
               "When entering telephone numbers in to the blocked callers list, please make sure "
               "that you enter the number EXACTLY as you see it appear on the display when the "
               "call comes in. If you see any '-' symbols, then please also include these.");
    return page;
}

QWidget* frm_settings::emailPage() {
    QWidget* page = newPage();
    auto* grid = static_cast<QGridLayout*>(page->layout());
    m_chk_enableemail =
        checkBox(page, "chk_enableemail", "Enable email notification when a selected call comes in",
                 "Click here to enable or disable email sending");
    m_txt_number = textBox(page, "txt_number", "Telephone number:", "");
    QPushButton* add = button(page, "com_addemail", "Add to list", "");
    QPushButton* remove = button(page, "com_removeemail", "Remove from list", "");
    grid->addWidget(add, grid->rowCount(), 0);
    grid->addWidget(remove, grid->rowCount() - 1, 1, Qt::AlignLeft);
    connect(add, &QPushButton::clicked, this, [this] { com_addemail_Click(); });
    connect(remove, &QPushButton::clicked, this, [this] { com_removeemail_Click(); });
    m_txt_email = new QPlainTextEdit(page);
    m_txt_email->setObjectName("txt_email");
    grid->addWidget(m_txt_email, grid->rowCount(), 0, 1, 2);
    m_txt_emailto =
        textBox(page, "txt_emailto", "Send the email to", "This is the email recipient");
    m_txt_smtp = textBox(page, "txt_smtp", "What is your SMTP address",
                         "This is the address of your SMTP server");
    m_chk_connect =
        checkBox(page, "chk_connect", "Connect to the Internet if connection is not already active",
                 "Click here to auto connect to the Internet when sending");
    m_chk_close = checkBox(page, "chk_close", "Disconnect from the Internet after sending",
                           "Click here to disconnect from the Internet after sending");
    helpButton(page, "Command11",
               "Email notification mean that if a call comes in which has caller ID information, "
               "and you have also entered the telephone number in to the box below, then Belltale "
               "will dial up the Internet (if not connected), send an email to the email address "
               "that you enter and then, if Belltale started the connection, it will hang up. "
               "Please note! when you enter the full telephone number, you must enter it EXACTLY "
               "as you would see it come in on Belltale. So if you saw 112-333-2132 when they "
               "called, you would enter it in the box below just like that.");
    return page;
}

QWidget* frm_settings::problemsPage() {
    QWidget* page = newPage();
    auto* grid = static_cast<QGridLayout*>(page->layout());
    grid->addWidget(new QLabel("Describe your problem:", page), 0, 0, 1, 2);
    m_txt_problem = new QPlainTextEdit(page);
    m_txt_problem->setObjectName("txt_problem");
    grid->addWidget(m_txt_problem, 1, 0, 1, 2);
    m_txt_emailaddress =
        textBox(page, "txt_emailaddress",
                "What is your email address:", "Please enter your email address in here");
    QPushButton* send = button(page, "com_sendproblem", "Send", "");
    grid->addWidget(send, grid->rowCount(), 1, Qt::AlignRight);
    m_lab_wait = new QLabel("PLEASE WAIT! whilst I send your problem report.", page);
    m_lab_wait->setObjectName("lab_wait");
    m_lab_wait->hide();
    grid->addWidget(m_lab_wait, grid->rowCount(), 0, 1, 2);
    connect(send, &QPushButton::clicked, this, [this] { com_sendproblem_Click(); });
    return page;
}

QWidget* frm_settings::checkEmailPage() {
    QWidget* page = newPage();
    m_pop3username =
        textBox(page, "pop3username", "POP3 User name:", "Enter your POP3 username in here");
    m_pop3password =
        textBox(page, "pop3password", "POP3 Password:", "Enter your POP3 password in here");
    m_pop3password->setEchoMode(QLineEdit::Password);
    m_pop3server = textBox(page, "pop3server",
                           "POP3 Server Address:", "Enter your POP3 server address in here");
    m_emailscan = textBox(page, "emailscan", "Scan frequency (in minutes):",
                          "This is the frequency at which your email will be checked");
    const auto [down, up] =
        arrows(page, m_emailscan, "Command18", "Click here to move down one minute", "Command19",
               "Click here to move up one minute");
    connect(down, &QPushButton::clicked, this,
            [this] { setText(m_emailscan, settings::minuteDown(text(m_emailscan))); });
    connect(up, &QPushButton::clicked, this,
            [this] { setText(m_emailscan, settings::minuteUp(text(m_emailscan))); });
    m_chk_email = checkBox(page, "chk_email", "Enable email checking",
                           "Click here to enable or disable email scanning");
    m_chk_force = checkBox(page, "chk_force", "Force connection if not connected to the Internet",
                           "Click here to enable or disable forced connection");
    helpButton(page, "Command20",
               "Your POP3 user name is usually the same as your Login name or account name. Your "
               "POP3 server address is given by your Internet provider, for example "
               "pop.example.net or mail.example.net. Your POP3 password is CaSe sensitive, please "
               "double check all entries. Don`t set the scan rate too low as this could interfere "
               "with incoming calls.");
    return page;
}

QWidget* frm_settings::quickFaxPage() {
    QWidget* page = newPage();
    auto* grid = static_cast<QGridLayout*>(page->layout());
    m_recipient =
        textBox(page, "recipient", "Recipients name:", "Enter the recipients name in here");
    m_faxnumber =
        textBox(page, "faxnumber",
                "Recipients fax number:", "Enter the recipients fax number in to this box");
    grid->addWidget(new QLabel("Message:", page), grid->rowCount(), 0);
    m_faxmessage = new QPlainTextEdit(page);
    m_faxmessage->setObjectName("faxmessage");
    grid->addWidget(m_faxmessage, grid->rowCount(), 0, 1, 2);
    QPushButton* send = button(page, "Command21", "&Send the fax", "");
    grid->addWidget(send, grid->rowCount(), 1, Qt::AlignRight);
    m_lab_wait1 =
        new QLabel("PLEASE WAIT! whilst I send your fax. This shouldn't take too long.", page);
    m_lab_wait1->setObjectName("lab_wait1");
    m_lab_wait1->hide();
    grid->addWidget(m_lab_wait1, grid->rowCount(), 0, 1, 2);
    connect(send, &QPushButton::clicked, this, [this] { Command21_Click(); });
    // Both filters complain on every change while the text holds what they refuse; the text
    // stays as typed.
    connect(m_faxnumber, &QLineEdit::textChanged, this, [](const QString& typed) {
        if (typed.contains('.') || typed.contains('-') || typed.contains(' ') ||
            typed.contains(',')) {
            vevuzer::say("Invalid entry", vevuzer::kSayUrgent);
            ui::MsgBox("Please DO NOT enter anything other than digits in this box", ui::vbCritical,
                       "Error!");
        }
    });
    connect(m_recipient, &QLineEdit::textChanged, this, [](const QString& typed) {
        if (typed.contains('.')) {
            vevuzer::say("Error", vevuzer::kSayUrgent);
            ui::MsgBox("Please dont enter full stops in to this box", ui::vbCritical, "Error!");
        }
    });
    helpButton(page, "Command22",
               "The main thing to remember when sending a fax is that you MUST! put the FULL "
               "International telephone number in the Recipients fax number box. Even if you are "
               "faxing to somebody in the same country, a number such as 01632 960123 is sent as "
               "441632960123 (the country code first, without the leading 0). Please read the help "
               "files for more information.");
    return page;
}

QWidget* frm_settings::compatibilityPage() {
    QWidget* page = newPage();
    auto* grid = static_cast<QGridLayout*>(page->layout());
    m_chk_comp = checkBox(page, "chk_comp",
                          "Run Belltale in compatibility mode. This means that when you are "
                          "running Belltale, your modem will be inacessable to other modem "
                          "software and will not use TAPI drivers. It will however lead to better "
                          "modem support and more accurate Caller ID data collection.",
                          "Enable this option to run Belltale in compatibility mode.");
    connect(m_chk_comp, &QCheckBox::clicked, this, [this] { chk_comp_Click(); });
    const int row = grid->rowCount();
    grid->addWidget(new QLabel("What kind of device is this?", page), row, 0);
    m_com_kind = new QComboBox(page);
    m_com_kind->setObjectName("com_kind");
    m_com_kind->setEditable(true);
    m_com_kind->setToolTip("Select your com port from this drop down list");
    m_com_kind->addItem(q(settings::kStandardModem));
    m_com_kind->addItem(q(settings::kCallerIdPlug));
    connect(m_com_kind, &QComboBox::activated, this, [this](int) { com_kind_Click(); });
    grid->addWidget(m_com_kind, row, 1);
    grid->addWidget(new QLabel("Comm port:", page), row + 1, 0);
    m_com_port = new QComboBox(page);
    m_com_port->setObjectName("com_port");
    m_com_port->setEditable(true);
    for (int port = 1; port <= 8; ++port)
        m_com_port->addItem(QString::number(port));
    m_com_port->setEditText("select");
    connect(m_com_port, &QComboBox::activated, this, [this](int) { com_port_Click(); });
    grid->addWidget(m_com_port, row + 1, 1);
    grid->addWidget(new QLabel("Modem debug window, for information only.", page), row + 2, 0, 1,
                    2);
    m_txt_debug = new QPlainTextEdit(page);
    m_txt_debug->setObjectName("txt_debug");
    // The newest lines of the modem dialogue stay in view.
    connect(m_txt_debug, &QPlainTextEdit::textChanged, this,
            [this] { m_txt_debug->moveCursor(QTextCursor::End); });
    grid->addWidget(m_txt_debug, row + 3, 0, 1, 2);
    return page;
}

// ---- Tab control ----

int frm_settings::Tab() const {
    return m_SSTab1->currentIndex();
}

void frm_settings::setTab(int page) {
    m_SSTab1->setCurrentIndex(page);
}

void frm_settings::setTabEnabled(int page, bool enabled) {
    m_SSTab1->setTabEnabled(page, enabled);
    if (auto* tab = findChild<QPushButton*>(QString("tab_%1").arg(page))) {
        tab->setEnabled(enabled);
    }
}

bool frm_settings::tabEnabled(int page) const {
    return m_SSTab1->isTabEnabled(page);
}

// ---- Loading, showing, closing ----

void frm_settings::Show() {
    if (!m_loaded)
        Form_Load();
    show();
    raise();
    activateWindow();
}

void frm_settings::fillDeviceBoxes() {
    namespace line = vevuzer::controls::line;
    namespace strings = vevuzer::controls::strings;
    m_lineBoxes[0]->clear();
    for (int N = 1; N <= 4; ++N) {
        QComboBox* box = lineBox(N);
        if (N > 1)
            box->clear();
        const vevuzer::HostedControl& control = m_main.lkLine(N);
        const LONG count = control.getLong(line::DeviceCount).value_or(0);
        if (count > 0) {
            const com::Dispatch devices(
                control.dispatch().get(line::DeviceList).value.toDispatch());
            for (LONG i = 0; devices && i < count; ++i) {
                const com::Outcome item = devices.get(strings::Item, i);
                if (item.succeeded())
                    box->addItem(q(item.value.toString().value_or("")));
            }
        }
        if (box->count() > 0)
            box->setEditText(box->itemText(0));
        box->addItem(q(settings::kNoModem));
        box->setCurrentIndex(box->count() - 1);
    }
}

void frm_settings::loadCheckBoxes() {
    m_chk_getcid->setChecked(settings::isOn(dialog::getcid));
    m_chk_dialtone->setChecked(settings::isOn(dialog::dialtone));
    m_chk_rpt->setChecked(settings::isOn(dialog::repeat));
    m_chk_alive->setChecked(settings::isOn(dialog::keepalive));
    m_chk_format->setChecked(settings::read(dialog::format) != settings::kUk);
    m_chk_enableemail->setChecked(settings::isOn(dialog::email));
    setText(m_txt_emailto, settings::read(dialog::emailto));
    m_chk_blkwith->setChecked(settings::isOn(dialog::blockwithheld));
    setText(m_txt_smtp, settings::read(dialog::smtp));
    m_chk_connect->setChecked(settings::isOn(dialog::connect));
    m_chk_scroll->setChecked(settings::isOn(dialog::flashscroll));
    m_chk_close->setChecked(settings::isOn(dialog::disconnect));
    m_chk_clockenabled->setChecked(settings::isOn(dialog::clockenabled));
    m_chk_email->setChecked(settings::isOn(dialog::checkemail));
    m_chk_force->setChecked(settings::isOn(dialog::force));
}

void frm_settings::Form_Load() {
    m_loaded = true;
    m_main.form().setFormVisible(false);
    loading = true;
    setTab(Modems);
    fillDeviceBoxes();
    // The window lives as long as the program: a load clears what a cancelled visit left in the
    // boxes that no key fills, so each visit starts from what is stored.
    m_refusedDevices = {};
    for (QLineEdit* box : {m_txt_phone, m_txt_number, m_recipient, m_faxnumber})
        box->clear();
    for (QPlainTextEdit* box : {m_txt_problem, m_faxmessage})
        box->clear();

    std::string kind = settings::read(dialog::kind);
    if (kind.empty()) {
        kind = settings::kStandardModem;
        settings::write(settings::key::kind, kind);
    }
    m_com_kind->setEditText(q(kind));
    setText(m_txt_wav, settings::read(dialog::incoming));
    m_chk_silence->setChecked(settings::isOn(dialog::silence));
    setText(m_txt_attempts, settings::read(dialog::attempts));
    if (!settings::firstRunWelcome()) {
        static constexpr const settings::Reading* kLines[] = {&dialog::line, &dialog::line2,
                                                              &dialog::line3, &dialog::line4};
        for (int N = 1; N <= 4; ++N)
            lineBox(N)->setEditText(q(settings::read(*kLines[N - 1])));
    }

    loading = true;
    const bool comp = settings::isOn(dialog::comp);
    m_chk_comp->setChecked(comp);
    setTabEnabled(Modems, !comp);
    setTabEnabled(CallerId, !comp);
    m_chk_lww->setChecked(settings::startsWithWindows());
    setText(m_txt_emailaddress, settings::read(dialog::emailaddress));
    const std::string commport = settings::read(dialog::commport);
    m_com_port->setEditText(commport.empty() ? QString("select") : q(commport));
    QFont plain = m_com_port->font();
    plain.setBold(false);
    m_com_port->setFont(plain);
    loadCheckBoxes();
    setText(m_pop3username, settings::read(dialog::pop3username));
    setText(m_pop3password, settings::read(dialog::pop3password));
    setText(m_pop3server, settings::read(dialog::pop3server));
    setText(m_emailscan, settings::read(dialog::emailscan));
    setText(m_txt_freq, settings::read(dialog::annfreq));
    loading = false;

    setText(m_txt_callback, settings::read(dialog::callback));
    setText(m_txt_rec, settings::read(dialog::reclength));
    setText(m_txt_blocked, settings::loadNumberList(settings::kBlockedListFile));
    setText(m_txt_email, settings::loadNumberList(settings::kEmailListFile));
    m_Timer1.setInterval(kTimerMs);
}

void frm_settings::Timer1_Timer() {
    if (m_main.form().formVisible())
        m_main.form().setFormVisible(false);
}

void frm_settings::Form_Unload() {
    if (!m_loaded)
        return;
    m_loaded = false;
    m_Timer1.setInterval(0);
    m_main.form().setFormVisible(true);
}

void frm_settings::closeEvent(QCloseEvent* event) {
    Form_Unload();
    ui::Form::closeEvent(event);
}

void frm_settings::com_apply_Click() {
    using settings::writeTruth;
    namespace key = settings::key;
    writeTruth(key::comp, m_chk_comp->isChecked());
    writeTruth(key::keepalive, m_chk_alive->isChecked());
    writeTruth(key::checkemail, m_chk_email->isChecked());
    writeTruth(key::force, m_chk_force->isChecked());
    writeTruth(key::dialtone, m_chk_dialtone->isChecked());
    settings::write(key::pop3username, text(m_pop3username));
    settings::write(key::pop3password, text(m_pop3password));
    settings::write(key::pop3server, text(m_pop3server));
    settings::write(key::emailscan, text(m_emailscan));
    writeTruth(key::getcid, m_chk_getcid->isChecked());
    settings::write(key::format, m_chk_format->isChecked() ? settings::kUsa : settings::kUk);
    settings::write(key::attempts, text(m_txt_attempts));
    settings::write(key::callback, text(m_txt_callback));
    settings::write(key::reclength, text(m_txt_rec));
    static constexpr std::string_view kLineKeys[] = {key::line, key::line2, key::line3, key::line4};
    for (int N = 1; N <= 4; ++N) {
        const std::string shown = text(lineBox(N));
        if (shown != m_refusedDevices[static_cast<std::size_t>(N - 1)])
            settings::write(kLineKeys[N - 1], shown);
    }
    writeTruth(key::clockenabled, m_chk_clockenabled->isChecked());
    writeTruth(key::blockwithheld, m_chk_blkwith->isChecked());
    settings::writeStartWithWindows(m_chk_lww->isChecked());
    writeTruth(key::repeat, m_chk_rpt->isChecked());
    settings::write(key::annfreq, text(m_txt_freq));
    settings::writeNumberList(settings::kBlockedListFile, text(m_txt_blocked));
    writeTruth(key::email, m_chk_enableemail->isChecked());
    writeTruth(key::silence, m_chk_silence->isChecked());
    settings::write(key::incoming, text(m_txt_wav));
    settings::writeNumberList(settings::kEmailListFile, text(m_txt_email));
    settings::write(key::emailaddress, text(m_txt_emailaddress));
    settings::write(key::emailto, text(m_txt_emailto));
    writeTruth(key::connect, m_chk_connect->isChecked());
    writeTruth(key::flashscroll, m_chk_scroll->isChecked());
    writeTruth(key::disconnect, m_chk_close->isChecked());
    settings::write(key::smtp, text(m_txt_smtp));
}

void frm_settings::com_ok_Click() {
    com_apply_Click();
    close();
}

void frm_settings::com_cancel_Click() {
    close();
}

// ---- The number lists ----

namespace {

settings::ListEdit addTo(QPlainTextEdit* listBox, const QLineEdit* numberBox,
                         std::string_view listName) {
    std::string list = text(listBox);
    const settings::ListEdit outcome = settings::addToNumberList(list, text(numberBox));
    switch (outcome) {
        case settings::ListEdit::NoNumber:
            ui::MsgBox("You didn`t enter a phone number", ui::vbInformation);
            break;
        case settings::ListEdit::AlreadyListed:
            ui::MsgBox("The number you entered is already in the " + std::string(listName) +
                           " callers list",
                       ui::vbInformation);
            break;
        case settings::ListEdit::Done:
            setText(listBox, list);
            break;
    }
    return outcome;
}

void removeFrom(QPlainTextEdit* listBox, const QLineEdit* numberBox) {
    std::string list = text(listBox);
    if (settings::removeFromNumberList(list, text(numberBox)) == settings::ListEdit::NoNumber) {
        ui::MsgBox("You didn`t enter a telephone number", ui::vbInformation);
        return;
    }
    if (list != text(listBox))
        setText(listBox, list);
}

}  // namespace

void frm_settings::setTxtPhone(std::string_view number) {
    setText(m_txt_phone, number);
}

void frm_settings::com_add_Click() {
    addTo(m_txt_blocked, m_txt_phone, "blocked");
}

bool frm_settings::blockCaller(std::string_view number) {
    setTab(Blocked);
    setTxtPhone(number);
    if (addTo(m_txt_blocked, m_txt_phone, "blocked") != settings::ListEdit::Done)
        return false;
    // The stored list, not the box: edits not yet applied stay for Apply or Cancel to settle.
    std::string stored = settings::loadNumberList(settings::kBlockedListFile);
    if (settings::addToNumberList(stored, number) != settings::ListEdit::Done)
        return true;
    if (!settings::writeNumberList(settings::kBlockedListFile, stored)) {
        vevuzer::log("The blocked callers list could not be written");
        ui::MsgBox(
            "Sorry, the blocked callers list could not be saved, so the caller is not "
            "blocked yet. Please try again with the OK button of this window.",
            ui::vbCritical, "Error!");
        return false;
    }
    return true;
}

void frm_settings::com_remove_Click() {
    removeFrom(m_txt_blocked, m_txt_phone);
}

void frm_settings::com_addemail_Click() {
    addTo(m_txt_email, m_txt_number, "email");
}

void frm_settings::com_removeemail_Click() {
    removeFrom(m_txt_email, m_txt_number);
}

// ---- Controls that act at once ----

void frm_settings::chk_comp_Click() {
    if (loading || m_chk_comp->isChecked())
        return;
    settings::write(settings::key::comp, settings::kFalse);
    ui::MsgBox(
        "You have selected to use TAPI mode, this requires Belltale to re boot. Click on OK "
        "when you are ready!",
        ui::vbInformation, "TAPI mode selected");
    restartProgram();
}

void frm_settings::com_kind_Click() {
    const std::string kind = text(m_com_kind);
    settings::write(settings::key::kind, kind);
    vevuzer::log("User has altered the device type in settings, to " + kind);
    m_com_port->setEditText("select");
    QFont bold = m_com_port->font();
    bold.setBold(true);
    m_com_port->setFont(bold);
}

void frm_settings::Command12_Click() {
    vevuzer::log("User is changing the ring .wav file");
    ui::FileDialogOptions options;
    options.filter = "Wav files (*.wav)|*.wav";
    options.initialDir = mod_clock::GetWinDir();
    const std::optional<std::string> chosen = ui::ShowOpen(options);
    if (!chosen || chosen->empty())
        return;
    setText(m_txt_wav, *chosen);
    vevuzer::log(".wav file has been set to " + text(m_txt_wav));
    vevuzer::playfile(text(m_txt_wav));
}

void frm_settings::Label12_Click() {
    m_main.linkup(kWebPage);
}

void frm_settings::appendDebug(std::string_view message) {
    setText(m_txt_debug, text(m_txt_debug) + "\r\n" + std::string(message));
}

// The restart program starts the program again once this one has ended.
void frm_settings::restartProgram() {
    vevuzer::startRestartProgram();
    Form_Unload();
    hide();
    m_main.unloadWindow();
}
