#include "vevuzer/records/frm_directory.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QStringList>
#include <functional>
#include <utility>

namespace {

using vevuzer::TelephoneDirectory;

constexpr int kWidthTwips = 6600;
constexpr int kHeightTwips = 5400;

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* labelAt(QWidget* parent, const char* text, int left, int top, int width) {
    auto* label = new QLabel(text, parent);
    ui::placeControl(label, left, top, width, 300);
    return label;
}

QLineEdit* field(QWidget* parent, const char* name, const char* tip, int left, int top, int width) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setToolTip(tip);
    ui::placeControl(edit, left, top, width, 330);
    return edit;
}

QPushButton* button(QWidget* parent, const char* name, const char* text, const char* tip, int left,
                    int top, int width) {
    auto* pushButton = new QPushButton(text, parent);
    pushButton->setObjectName(name);
    pushButton->setToolTip(tip);
    ui::placeControl(pushButton, left, top, width, 420);
    return pushButton;
}

// The red hang-up box: a click on it is the user's "I have picked up".
class ClickLabel : public QLabel {
  public:
    ClickLabel(QWidget* parent, std::function<void()> onClick)
        : QLabel(parent), m_onClick(std::move(onClick)) {}

  protected:
    void mousePressEvent(QMouseEvent* /*event*/) override { m_onClick(); }

  private:
    std::function<void()> m_onClick;
};

}  // namespace

frm_directory::frm_directory(TelephoneDirectory::ShowInfo showInfo, QWidget* parent)
    : ui::Form(parent), m_logic(std::move(showInfo)) {
    setObjectName("frm_directory");
    setCaption("Telephone directory");

    auto* menuBar = new QMenuBar(this);
    QMenu* file = menuBar->addMenu("&File");
    const auto item = [this, file](const char* name, const char* text,
                                   void (TelephoneDirectory::*handler)()) {
        QAction* action = file->addAction(text);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, [this, handler] { (m_logic.*handler)(); });
    };
    item("mnu_import", "Import address book", &TelephoneDirectory::mnu_import_Click);
    item("mnu_export", "Export address book", &TelephoneDirectory::mnu_export_Click);
    item("mnu_help", "Help", &TelephoneDirectory::mnu_help_Click);
    item("mnu_exit", "Exit", &TelephoneDirectory::mnu_exit_Click);
    ui::placeControl(menuBar, 0, 0, kWidthTwips, 330);

    labelAt(this, "Add a new contact:", 240, 480, 3000)->setStyleSheet("font-weight: bold;");
    labelAt(this, "Full telephone number:", 240, 840, 2600);
    m_txtPhone = field(this, "txt_phone", "Enter the contacts telephone number in this window",
                       2880, 810, 3480);
    labelAt(this, "Callers name / identity:", 240, 1260, 2600);
    m_txtName = field(this, "txt_name",
                      "Enter the contacts name or announcement message in here, this will be "
                      "spoken when they next call you",
                      2880, 1230, 3480);
    m_Command2 = button(this, "Command2", "Save",
                        "Type in somebodys details in the above two boxes and then click here to "
                        "save the data",
                        2880, 1680, 1650);
    m_Command1 = button(this, "Command1", "Delete",
                        "Click here to delete a contact from the list below", 4710, 1680, 1650);

    m_callers = new QComboBox(this);
    m_callers->setObjectName("callers");
    m_callers->setToolTip(
        "This is a list of your telephone contacts. Just left mouse click on a contact to select "
        "it");
    m_callers->setMaxVisibleItems(20);
    ui::placeControl(m_callers, 240, 2400, 6120, 360);

    labelAt(this, "When dialing, use this line number:", 240, 3060, 3600);
    m_txtLine = field(this, "txt_line",
                      "Select the line you wish to dial out on, in this box. Just type the number "
                      "in, you don`t need to do anything else.",
                      3960, 3030, 600);
    m_Command4 = button(this, "Command4", "&Dial the selected contact",
                        "Select a contact from the directory below and then click on this button "
                        "to dial them",
                        240, 3600, 6120);
    m_Text1 = new ClickLabel(this, [this] { m_logic.Text1_Click(); });
    m_Text1->setObjectName("Text1");
    m_Text1->setToolTip("Click here to stop dialing, or to complete a dialing sequence.");
    m_Text1->setStyleSheet("background: #d00000; color: white; font-weight: bold;");
    m_Text1->setAlignment(Qt::AlignCenter);
    m_Text1->setWordWrap(true);
    ui::placeControl(m_Text1, 240, 3600, 6120, 1200);
    m_Text1->hide();

    connect(m_callers, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { m_logic.callers_Click(m_callers->itemText(index).toStdString()); });
    // Every change of a field reaches the logic, however it was made; the window's own showing of
    // the logic's values is not sent back.
    connect(m_txtPhone, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_showingControls) {
            m_logic.setTxtPhone(text.toStdString());
        }
    });
    connect(m_txtName, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_showingControls) {
            m_logic.setTxtName(text.toStdString());
        }
    });
    // Any key pressed in either field marks the typing as not saved, as the Save button shows.
    m_txtPhone->installEventFilter(this);
    m_txtName->installEventFilter(this);
    connect(m_txtLine, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_showingControls) {
            m_logic.setTxtLine(text.toStdString());
        }
    });
    connect(m_Command2, &QPushButton::clicked, this, [this] { m_logic.Command2_Click(); });
    connect(m_Command1, &QPushButton::clicked, this, [this] { m_logic.Command1_Click(); });
    connect(m_Command4, &QPushButton::clicked, this, [this] { m_logic.Command4_Click(); });

    setTwipsWidth(kWidthTwips);
    setTwipsHeight(kHeightTwips);
    m_logic.setWindow(this);
}

frm_directory::~frm_directory() {
    m_logic.setWindow(nullptr);
}

void frm_directory::Show() {
    m_logic.Load();
    show();
    raise();
    activateWindow();
}

void frm_directory::closeEvent(QCloseEvent* event) {
    if (m_unloading || !m_logic.loaded()) {
        event->accept();
        return;
    }
    if (!m_logic.QueryUnload()) {
        event->ignore();
        return;
    }
    m_unloading = true;
    m_logic.Unload();
    m_unloading = false;
    event->accept();
}

void frm_directory::controlsChanged() {
    if (m_showingControls) {
        return;
    }
    m_showingControls = true;
    const vevuzer::DirectoryControls& shown = m_logic.controls();
    if (shown.callers != m_shownCallers) {
        m_shownCallers = shown.callers;
        QStringList entries;
        entries.reserve(static_cast<qsizetype>(shown.callers.size()));
        for (const std::string& entry : shown.callers) {
            entries.push_back(qText(entry));
        }
        m_callers->clear();
        m_callers->addItems(entries);
    }
    const int index = m_callers->findText(qText(shown.callersText), Qt::MatchExactly);
    m_callers->setCurrentIndex(index);
    if (m_txtPhone->text().toStdString() != shown.txt_phone) {
        m_txtPhone->setText(qText(shown.txt_phone));
    }
    if (m_txtName->text().toStdString() != shown.txt_name) {
        m_txtName->setText(qText(shown.txt_name));
    }
    if (m_txtLine->text().toStdString() != shown.txt_line) {
        m_txtLine->setText(qText(shown.txt_line));
    }
    QFont saveFont = m_Command2->font();
    saveFont.setBold(shown.Command2Bold);
    m_Command2->setFont(saveFont);
    m_Command4->setVisible(shown.Command4Visible);
    m_Text1->setVisible(shown.Text1Visible);
    m_Text1->setText(qText(shown.Text1));
    m_showingControls = false;
}

void frm_directory::unloaded() {
    if (!m_unloading) {
        hide();
    }
}

bool frm_directory::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_txtPhone || watched == m_txtName) && event->type() == QEvent::KeyPress) {
        m_logic.keyPressed();
    }
    return ui::Form::eventFilter(watched, event);
}
