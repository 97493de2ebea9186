#include "vevuzer/records/frm_display.h"

#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QToolButton>
#include <functional>
#include <string>
#include <utility>

namespace {

using vevuzer::CallerDisplay;

constexpr char kCloseTip[] = "Double click here to close this window";

// A label that closes the pop-up on a double click, as the background and both texts do.
class DoubleClickLabel : public QLabel {
  public:
    DoubleClickLabel(QWidget* parent, std::function<void()> onDoubleClick)
        : QLabel(parent), m_onDoubleClick(std::move(onDoubleClick)) {}

  protected:
    void mouseDoubleClickEvent(QMouseEvent* /*event*/) override { m_onDoubleClick(); }

  private:
    std::function<void()> m_onDoubleClick;
};

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The notes keep CR LF line ends, as they are saved; the text box shows plain line breaks.
QString shownNotes(const std::string& notes) {
    QString text = qText(notes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string storedNotes(const QString& shown) {
    QString text = shown;
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return text.toStdString();
}

QToolButton* pictureButton(QWidget* parent, const char* name, const char* text, const char* tip,
                           int top) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(tip);
    ui::placeControl(button, 6000, top, 1400, 420);
    return button;
}

}  // namespace

frm_display::frm_display(CallerDisplay::LineControls lines,
                         CallerDisplay::OpenAddressBook addressBook, QWidget* parent)
    : ui::Form(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      m_logic(std::move(lines), std::move(addressBook)) {
    setObjectName("frm_display");
    setCaption("Incoming call");
    const auto close = [this] { m_logic.closeByDoubleClick(); };

    m_Image1 = new DoubleClickLabel(this, close);
    m_Image1->setObjectName("Image1");
    m_Image1->setAutoFillBackground(true);
    ui::placeControl(m_Image1, 0, 0, vevuzer::kPopupImageWidthTwips,
                     vevuzer::kPopupImageHeightTwips);

    m_txtDisplay = new DoubleClickLabel(this, close);
    m_txtDisplay->setObjectName("txt_display");
    m_txtDisplay->setToolTip(kCloseTip);
    // Text boxes: a caller's number and name are shown as sent, never read as markup.
    m_txtDisplay->setTextFormat(Qt::PlainText);
    QFont numberFont = m_txtDisplay->font();
    numberFont.setPointSize(18);
    numberFont.setBold(true);
    m_txtDisplay->setFont(numberFont);
    ui::placeControl(m_txtDisplay, 240, 180, 5600, 780);

    m_txtName = new DoubleClickLabel(this, close);
    m_txtName->setObjectName("txt_name");
    m_txtName->setToolTip(kCloseTip);
    m_txtName->setTextFormat(Qt::PlainText);
    QFont nameFont = m_txtName->font();
    nameFont.setPointSize(14);
    m_txtName->setFont(nameFont);
    ui::placeControl(m_txtName, 240, 1020, 5600, 600);

    m_Picture1 = pictureButton(this, "Picture1", "ADD",
                               "Click here to add this caller to the telephone directory", 120);
    m_Picture2 = pictureButton(this, "Picture2", "Notes",
                               "Show the notepad and add comments about this caller", 600);
    m_Picture3 = pictureButton(this, "Picture3", "Delete",
                               "Click here to delete this note pad entry, it won`t auto show next "
                               "time this call comes in",
                               1080);
    m_Picture4 = pictureButton(
        this, "Picture4", "Close",
        "Click here to close this window and SAVE any note pad entries you have made", 1560);
    connect(m_Picture1, &QToolButton::clicked, this, [this] { m_logic.Picture1_Click(); });
    connect(m_Picture2, &QToolButton::clicked, this, [this] { m_logic.Picture2_Click(); });
    connect(m_Picture3, &QToolButton::clicked, this, [this] { m_logic.Picture3_Click(); });
    connect(m_Picture4, &QToolButton::clicked, this, [this] { m_logic.Picture4_Click(); });

    m_txtNotepad = new QPlainTextEdit(this);
    m_txtNotepad->setObjectName("txt_notepad");
    m_txtNotepad->setToolTip(
        "This text will AUTO SAVE, Double click the above display to close this window "
        "compleley.");
    ui::placeControl(m_txtNotepad, 120, 2250, 7300, 3300);
    connect(m_txtNotepad, &QPlainTextEdit::textChanged, this, [this] { notesTyped(); });

    setTwipsWidth(vevuzer::kPopupImageWidthTwips);
    setTwipsHeight(vevuzer::kPopupImageHeightTwips);
    moveTwips((ui::screenTwipsWidth() - twipsWidth()) / 2,
              (ui::screenTwipsHeight() - twipsHeight()) / 2);
    m_logic.setWindow(this);
    controlsChanged();
}

frm_display::~frm_display() {
    m_logic.setWindow(nullptr);
}

void frm_display::Show() {
    m_logic.Load();
    show();
}

void frm_display::SetFocus() {
    raise();
    activateWindow();
}

void frm_display::closeEvent(QCloseEvent* event) {
    m_closing = true;
    m_logic.Unload();
    m_closing = false;
    event->accept();
}

void frm_display::controlsChanged() {
    const vevuzer::CallerDisplayControls& shown = m_logic.controls();
    m_showingControls = true;
    m_txtDisplay->setText(qText(shown.txt_display));
    m_txtName->setText(qText(shown.txt_name));
    m_Picture1->setVisible(shown.Picture1Visible);
    m_Picture2->setVisible(shown.Picture2Visible);
    m_Picture3->setVisible(shown.Picture3Visible);
    if (storedNotes(m_txtNotepad->toPlainText()) != shown.txt_notepad) {
        m_txtNotepad->setPlainText(shownNotes(shown.txt_notepad));
    }
    if (twipsHeight() != shown.heightTwips) {
        setTwipsHeight(shown.heightTwips);
    }
    m_showingControls = false;
}

void frm_display::notesOpened() {
    m_txtNotepad->moveCursor(QTextCursor::End);
    m_txtNotepad->setFocus();
    setTwipsTop((ui::screenTwipsHeight() - twipsHeight()) / 2);
}

void frm_display::unloaded() {
    if (!m_closing) {
        hide();
    }
}

void frm_display::notesTyped() {
    if (!m_showingControls) {
        m_logic.setTxtNotepad(storedNotes(m_txtNotepad->toPlainText()));
    }
}
