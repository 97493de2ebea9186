#include "vevuzer/shell/frm_main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>

#include "vevuzer/records/frm_display.h"

namespace {

// The window's size as designed, in twips.
constexpr int kDesignWidth = 6930;
constexpr int kDesignHeight = 1530;

// The status box's text until the first banner replaces it.
constexpr char kWelcomeText[] = "Welcome to Belltale";

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A small picture of the window's strip: a coloured tile with a word on it.
QLabel* signalPicture(QWidget* parent, const char* name, const char* word, const char* tip,
                      int left, const char* colour) {
    auto* picture = new QLabel(word, parent);
    picture->setObjectName(name);
    picture->setToolTip(tip);
    picture->setAlignment(Qt::AlignCenter);
    picture->setStyleSheet(QString("background: %1; color: white; font-weight: bold;").arg(colour));
    ui::placeControl(picture, left, 1240, 420, 210);
    picture->hide();
    return picture;
}

// The indicator of line k: a small lamp, shown while the line is open.
QLabel* lineIndicator(QWidget* parent, int k) {
    auto* lamp = new QLabel(QString::number(k), parent);
    lamp->setObjectName(QString("txt_%1").arg(k));
    lamp->setAlignment(Qt::AlignCenter);
    lamp->setStyleSheet("background: #27ae60; color: white; font-size: 8px; border-radius: 5px;");
    ui::placeControl(lamp, 240 * k, 1260, 165, 165);
    lamp->hide();
    return lamp;
}

}  // namespace

frm_main::frm_main(QWidget* parent)
    : ui::Form(parent),
      m_picture1(new QLabel(this)),
      m_txtDisplay(new QLabel(this)),
      m_display(new QListWidget(this)),
      m_picRing(
          signalPicture(this, "pic_ring", "RING", "The telephone is ringing", 3840, "#c0392b")),
      m_imgFlash(signalPicture(this, "img_flash", "NEW", "You have new calls", 4350, "#2e86c1")),
      m_main(*this) {
    setObjectName("frm_main");
    setCaption("Belltale");
    setTwipsWidth(kDesignWidth);
    setTwipsHeight(kDesignHeight);

    m_picture1->setObjectName("Picture1");
    m_picture1->setToolTip("Right click here for more options");
    ui::placeControl(m_picture1, 0, 0, 5280, 1530);

    m_txtDisplay->setObjectName("txt_display");
    setTxtDisplayText(kWelcomeText);
    m_txtDisplay->setWordWrap(true);
    ui::placeControl(m_txtDisplay, 190, 210, 4635, 900);

    m_display->setObjectName("display");
    m_display->setToolTip("Double click an entry to hear the caller ID information");
    m_display->setFont(QFont("Times New Roman"));
    ui::placeControl(m_display, 190, 210, 4635, 930);
    m_display->hide();

    for (int k = 1; k <= vevuzer::kLineCount; ++k) {
        m_lineIndicators[k - 1] = lineIndicator(this, k);
    }

    m_frmDisplay =
        std::make_unique<frm_display>([this](int line) { return m_main.lkLine(line).dispatch(); },
                                      vevuzer::CallerDisplay::OpenAddressBook());
}

frm_main::~frm_main() = default;

bool frm_main::loadSkinPicture(const std::string& path) {
    QPixmap picture;
    if (!picture.load(QString::fromStdString(path))) {
        return false;
    }
    m_picture1->setPixmap(picture);
    return true;
}

void frm_main::placeSkinPicture() {
    m_picture1->move(0, 0);
}

bool frm_main::lineIndicatorVisible(int line) const {
    return m_lineIndicators.at(static_cast<std::size_t>(line - 1))->isVisibleTo(this);
}

void frm_main::setLineIndicatorVisible(int line, bool visible) {
    m_lineIndicators.at(static_cast<std::size_t>(line - 1))->setVisible(visible);
}

bool frm_main::picRingVisible() const {
    return m_picRing->isVisibleTo(this);
}

void frm_main::setPicRingVisible(bool visible) {
    m_picRing->setVisible(visible);
}

bool frm_main::imgFlashVisible() const {
    return m_imgFlash->isVisibleTo(this);
}

void frm_main::setImgFlashVisible(bool visible) {
    m_imgFlash->setVisible(visible);
}

void frm_main::setTxtDisplayText(std::string_view text) {
    m_statusText = text;
    QString shown = qText(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_txtDisplay->setText(shown);
}

void frm_main::setTxtDisplayVisible(bool visible) {
    m_txtDisplay->setVisible(visible);
}

bool frm_main::displayVisible() const {
    return m_display->isVisibleTo(this);
}

void frm_main::setDisplayVisible(bool visible) {
    m_display->setVisible(visible);
    if (visible) {
        m_display->raise();
    }
}

void frm_main::displayClear() {
    m_display->clear();
}

void frm_main::displayAddItem(std::string_view item) {
    m_display->addItem(qText(item));
}

int frm_main::displayListCount() const {
    return m_display->count();
}

std::string frm_main::displayItem(int index) const {
    const QListWidgetItem* item = m_display->item(index);
    return item ? item->text().toStdString() : std::string();
}

void frm_main::setDisplayListIndex(int index) {
    m_display->setCurrentRow(index);
}

void frm_main::frmDisplayShow() {
    m_frmDisplay->Show();
}

void frm_main::frmDisplayDisplay(std::string_view Text, int aline) {
    m_frmDisplay->display(Text, aline);
}

void frm_main::setFrmDisplayName(std::string_view name) {
    m_frmDisplay->setTxtName(name);
}

void frm_main::frmDisplaySetFocus() {
    m_frmDisplay->SetFocus();
}

void frm_main::endProgram() {
    if (m_endProgram) {
        m_endProgram();
        return;
    }
    m_frmDisplay->hide();
    hide();
    QCoreApplication::exit(0);
}

void frm_main::closeEvent(QCloseEvent* event) {
    if (m_main.ended() || m_main.unloadWindow()) {
        event->accept();
    } else {
        event->ignore();
    }
}
