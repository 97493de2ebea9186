#include "vevuzer/shell/frm_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <algorithm>
#include <functional>
#include <future>
#include <system_error>
#include <vector>

#include "platform/ui/font_warm_up.h"
#include "platform/ui/picture_prefetch.h"
#include "vevuzer/monitoring/directory_dialling.h"
#include "vevuzer/records/frm_directory.h"
#include "vevuzer/records/frm_display.h"
#include "vevuzer/records/frm_inclog.h"
#include "vevuzer/settings/frm_settings.h"
#include "vevuzer/shell/frm_info.h"

namespace {

// The window's size as designed, in twips.
constexpr int kDesignWidth = 6930;
constexpr int kDesignHeight = 1530;

// The status box's text until the first banner replaces it.
constexpr char kWelcomeText[] = "Welcome to Belltale";

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The largest pixel size, from `largest` down, at which `fits` holds for the font; the smallest
// tried when none does. The window's boxes keep their designed sizes, which were drawn for a
// narrower face than the desktop's (DejaVu Sans stands in for Arial here): the text shrinks to its
// box rather than lose its first and last letters.
int fittingPixelSize(QFont font, int largest, const std::function<bool(const QFont&)>& fits) {
    constexpr int kSmallest = 6;
    int size = largest;
    for (; size > kSmallest; --size) {
        font.setPixelSize(size);
        if (fits(font)) {
            break;
        }
    }
    return size;
}

// A command button that pads its caption less than the style would (2 pixels across, 1 down,
// inside the frame): the designed buttons are narrow. Its look is the style's own; only the size it
// asks for differs, which a style sheet would also give at the cost of loading the style sheet
// machinery at start.
class CommandButton : public QPushButton {
  public:
    using QPushButton::QPushButton;

    QSize sizeHint() const override {
        return fontMetrics().size(Qt::TextShowMnemonic, text()) + padding(*style(), this);
    }
    static QSize padding(const QStyle& style, const QWidget* button) {
        const int frame = style.pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        return QSize(2 * (2 + frame), 2 * (1 + frame));
    }
};

// The window's command buttons, one above the other on its right.
struct CommandButtonDesign {
    const char* name;
    const char* caption;
    const char* tip;
    int top;
    void (vevuzer::MainWindow::*click)();
};
constexpr CommandButtonDesign kCommandButtons[] = {
    {"Command1", "&Incoming calls log", "Click here to see your incoming calls", 80,
     &vevuzer::MainWindow::Command1_Click},
    {"Command2", "&Telephone directory", "Click here for the telephone directory", 450,
     &vevuzer::MainWindow::Command2_Click},
    {"Command4", "&Change skin", "Click here to change the skin", 820,
     &vevuzer::MainWindow::Command4_Click},
    {"Command3", "&Settings", "Click here for the settings window", 1200,
     &vevuzer::MainWindow::Command3_Click},
};
constexpr int kCommandLeft = 5400;
constexpr int kCommandWidth = 1455;
constexpr int kCommandHeight = 255;

// One size for the four captions, the largest at which every caption fits its button whole with
// the button's `padding`. It needs only the fonts, so it runs on a thread of its own while the
// window's controls are made: each size tried loads a face and shapes the captions, which on the
// GUI thread held up the start by milliseconds.
int commandCaptionSize(QSize padding) {
    ui::waitForFontConfiguration();
    const QSize box(ui::pixelsFromTwips(kCommandWidth), ui::pixelsFromTwips(kCommandHeight));
    return fittingPixelSize(QFont("Arial"), 10, [&](const QFont& font) {
        const QFontMetrics metrics(font);
        return metrics.height() <= box.height() &&
               std::all_of(std::begin(kCommandButtons), std::end(kCommandButtons),
                           [&](const CommandButtonDesign& button) {
                               const QSize caption =
                                   metrics.size(Qt::TextShowMnemonic, button.caption);
                               return caption.width() + padding.width() <= box.width();
                           });
    });
}

// Starts commandCaptionSize on `thread`; where no thread can be made, the size is fitted when it
// is first asked for.
std::future<int> fitCommandCaptions(std::jthread& thread, QSize padding) {
    std::packaged_task<int()> fit([padding] { return commandCaptionSize(padding); });
    std::future<int> size = fit.get_future();
    try {
        thread = std::jthread(std::move(fit));
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, commandCaptionSize, padding);
    }
    return size;
}

// A label on a tile of the palette's window colour, which it paints itself: a widget that fills its
// background counts as opaque, and the skin picture beneath would then be clipped around it and
// drawn span by span, on worker threads, at every repaint of the window.
class TileLabel : public QLabel {
  public:
    using QLabel::QLabel;

  protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter(this).fillRect(rect(), palette().color(QPalette::Window));
        QLabel::paintEvent(event);
    }
};

// A small picture of the window's strip: a coloured tile with a word on it. Its word is fitted
// to it when it is first shown (see showSignalPicture): measuring text loads a face and shapes the
// word at every size tried, which a start without a call never needs.
QLabel* signalPicture(QWidget* parent, const char* name, const char* word, const char* tip,
                      int left, const char* colour) {
    auto* picture = new QLabel(word, parent);
    picture->setObjectName(name);
    picture->setToolTip(tip);
    picture->setAlignment(Qt::AlignCenter);
    picture->setProperty("colour", colour);
    ui::placeControl(picture, left, 1240, 420, 210);
    picture->hide();
    return picture;
}

void showSignalPicture(QLabel* picture, bool visible) {
    if (visible && picture->styleSheet().isEmpty()) {
        QFont bold = picture->font();
        bold.setBold(true);
        const int room = picture->width() - 2;
        const int size = fittingPixelSize(bold, 12, [&](const QFont& font) {
            const QFontMetrics metrics(font);
            return metrics.horizontalAdvance(picture->text()) <= room &&
                   metrics.height() <= picture->height();
        });
        picture->setStyleSheet(
            QString("background: %1; color: white; font-weight: bold; font-size: %2px;")
                .arg(picture->property("colour").toString())
                .arg(size));
    }
    picture->setVisible(visible);
}

// The indicator of line k: a small lamp, shown while the line is open. Its look is set when it is
// first shown (see showLineIndicator): a start without an open line never styles it.
QLabel* lineIndicator(QWidget* parent, int k) {
    auto* lamp = new QLabel(QString::number(k), parent);
    lamp->setObjectName(QString("txt_%1").arg(k));
    lamp->setAlignment(Qt::AlignCenter);
    ui::placeControl(lamp, 240 * k, 1260, 165, 165);
    lamp->hide();
    return lamp;
}

void showLineIndicator(QLabel* lamp, bool visible) {
    if (visible && lamp->styleSheet().isEmpty()) {
        lamp->setStyleSheet(
            "background: #27ae60; color: white; font-size: 8px; border-radius: 5px;");
    }
    lamp->setVisible(visible);
}

// VB's button codes: 1 left, 2 right, 4 middle.
int buttonCode(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

// A picture of the notification-area icon: a round badge with a letter on it.
QImage trayPicture(const char* colour, const char* letter) {
    QImage picture(32, 32, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(colour));
    painter.setPen(QPen(Qt::white, 2));
    painter.drawEllipse(2, 2, 28, 28);
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(18);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, letter);
    return picture;
}

float twipsOf(qreal pixels) {
    return static_cast<float>(pixels * ui::kTwipsPerPixel);
}

}  // namespace

frm_main::frm_main(QWidget* parent)
    : ui::Form(parent, Qt::Window | Qt::FramelessWindowHint),
      m_picture1(new QLabel(this)),
      m_txtDisplay(new QLabel(this)),
      m_picRing(
          signalPicture(this, "pic_ring", "RING", "The telephone is ringing", 3840, "#c0392b")),
      m_imgFlash(signalPicture(this, "img_flash", "NEW", "You have new calls", 4350, "#2e86c1")),
      m_image2(new TileLabel(QStringLiteral("\u2013"), this)),
      m_commandCaptionSize(
          fitCommandCaptions(m_captionFit, CommandButton::padding(*style(), nullptr))),
      m_main(*this) {
    setObjectName("frm_main");
    setCaption("Belltale");
    setTwipsWidth(kDesignWidth);
    setTwipsHeight(kDesignHeight);

    m_picture1->setObjectName("Picture1");
    m_picture1->setToolTip("Right click here for more options");
    ui::placeControl(m_picture1, 0, 0, 5280, 1530);

    m_txtDisplay->setObjectName("txt_display");
    // A text box: a caller's name is shown as sent, never read as markup.
    m_txtDisplay->setTextFormat(Qt::PlainText);
    setTxtDisplayText(kWelcomeText);
    m_txtDisplay->setWordWrap(true);
    ui::placeControl(m_txtDisplay, 190, 210, 4635, 900);

    for (int k = 1; k <= vevuzer::kLineCount; ++k) {
        m_lineIndicators[k - 1] = lineIndicator(this, k);
        m_lineIndicators[k - 1]->installEventFilter(this);
    }

    m_image2->setObjectName("Image2");
    m_image2->setToolTip("Click here to minimise this window");
    m_image2->setAlignment(Qt::AlignCenter);
    // A dark tile with a white bold dash.
    QPalette tile = m_image2->palette();
    tile.setColor(QPalette::Window, QColor(0x34, 0x49, 0x5e));
    tile.setColor(QPalette::WindowText, Qt::white);
    m_image2->setPalette(tile);
    QFont bold = m_image2->font();
    bold.setBold(true);
    m_image2->setFont(bold);
    ui::placeControl(m_image2, 4960, 210, 160, 160);
    m_image2->installEventFilter(this);

    // The surface answers the pointer as it moves, pressed or not.
    for (QWidget* surface :
         {static_cast<QWidget*>(m_picture1), static_cast<QWidget*>(m_txtDisplay)}) {
        surface->setMouseTracking(true);
        surface->installEventFilter(this);
    }

    buildButtons();
    // F1 anywhere in the program opens its help.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::ApplicationShortcut);
    connect(help, &QShortcut::activated, this, [this] { m_main.showHelpFile(); });
}

frm_main::~frm_main() {
    if (m_imgicon)
        DestroyIcon(m_imgicon);
    if (m_imgicon1)
        DestroyIcon(m_imgicon1);
}

// The tray's pictures are drawn when the tray first asks for them: drawing text loads a font,
// which a start without the tray never needs.
HICON frm_main::imgicon() const {
    if (!m_imgicon)
        m_imgicon = CreateIconDrawnOnUse([] { return trayPicture("#1f618d", "B"); });
    return m_imgicon;
}

HICON frm_main::imgicon1() const {
    if (!m_imgicon1)
        m_imgicon1 = CreateIconDrawnOnUse([] { return trayPicture("#d35400", "!"); });
    return m_imgicon1;
}

// The other windows are built on their first use, as a form is loaded when first referred to: a
// start that never opens them does not pay for them.
frm_info& frm_main::infoWindow() {
    if (!m_frmInfo)
        m_frmInfo = std::make_unique<frm_info>();
    return *m_frmInfo;
}

frm_directory& frm_main::directoryWindow() {
    if (!m_frmDirectory) {
        m_frmDirectory = std::make_unique<frm_directory>([this](const std::string& text) {
            infoWindow().Show();
            infoWindow().display(text);
        });
        vevuzer::attachDirectoryDialling(m_main, m_frmDirectory->logic());
    }
    return *m_frmDirectory;
}

frm_settings& frm_main::settingsWindow() {
    if (!m_frmSettings) {
        m_frmSettings = std::make_unique<frm_settings>(m_main, [this](const std::string& text) {
            infoWindow().Show();
            infoWindow().display(text);
        });
    }
    return *m_frmSettings;
}

frm_inclog& frm_main::inclogWindow() {
    if (!m_frmInclog) {
        m_frmInclog = std::make_unique<frm_inclog>(
            [this]() -> vevuzer::TelephoneDirectory& { return showTelephoneDirectory().logic(); },
            [this] {
                setDisplayVisible(false);
                setTxtDisplayVisible(true);
            });
    }
    return *m_frmInclog;
}

frm_display& frm_main::popup() {
    if (!m_frmDisplay) {
        // The pop-up's ADD fills the address book and leaves the saving to the user.
        m_frmDisplay = std::make_unique<frm_display>(
            [this](int line) { return m_main.lkLine(line).dispatch(); },
            [this](const std::string& name,
                   const std::string& number) -> std::optional<vevuzer::WindowError> {
                vevuzer::TelephoneDirectory& directory = showTelephoneDirectory().logic();
                directory.setTxtName(name);
                directory.setTxtPhone(number);
                return std::nullopt;
            });
    }
    return *m_frmDisplay;
}

void frm_main::buildButtons() {
    for (const CommandButtonDesign& button : kCommandButtons) {
        auto* command = new CommandButton(button.caption, this);
        command->setObjectName(button.name);
        command->setToolTip(button.tip);
        ui::placeControl(command, kCommandLeft, button.top, kCommandWidth, kCommandHeight);
        const auto click = button.click;
        connect(command, &QPushButton::clicked, this, [this, click] { (m_main.*click)(); });
    }
}

void frm_main::setVisible(bool visible) {
    if (visible)
        takeCommandCaptionSize();
    ui::Form::setVisible(visible);
}

void frm_main::takeCommandCaptionSize() {
    if (!m_commandCaptionSize.valid())
        return;
    QFont arial("Arial");
    arial.setPixelSize(m_commandCaptionSize.get());
    for (const CommandButtonDesign& button : kCommandButtons) {
        findChild<QPushButton*>(button.name, Qt::FindDirectChildrenOnly)->setFont(arial);
    }
}

// The call list, the command menu and the call list's menu are built on their first use too: a
// list view and a menu bring in much of the widget library, which a start shows neither of.
QListWidget* frm_main::displayList() {
    if (!m_display) {
        m_display = new QListWidget(this);
        m_display->setObjectName("display");
        m_display->setToolTip("Double click an entry to hear the caller ID information");
        m_display->setFont(QFont("Times New Roman"));
        ui::placeControl(m_display, 190, 210, 4635, 930);
        m_display->hide();
        // The surface answers the pointer as it moves, pressed or not.
        m_display->viewport()->setMouseTracking(true);
        m_display->viewport()->installEventFilter(this);
        m_display->installEventFilter(this);
        connect(m_display, &QListWidget::itemDoubleClicked, this,
                [this] { m_main.display_DblClick(); });
    }
    return m_display;
}

QMenu* frm_main::mnu_settings() {
    if (m_mnuSettings)
        return m_mnuSettings;
    struct Entry {
        const char* name;
        const char* caption;
        void (vevuzer::MainWindow::*click)();
    };
    // A caption "-" is a separator line.
    static constexpr Entry entries[] = {
        {"mnu_configure", "Settings/About", &vevuzer::MainWindow::mnu_configure_Click},
        {"hyp1", "-", nullptr},
        {"mnu_hidewindow", "Hide this window", &vevuzer::MainWindow::mnu_hidewindow_Click},
        {"hyphide", "-", nullptr},
        {"mnu_directory", "Telephone directory", &vevuzer::MainWindow::mnu_directory_Click},
        {"mnu_inclog", "View incoming calls log", &vevuzer::MainWindow::mnu_inclog_Click},
        {"hyp3", "-", nullptr},
        {"mnu_chngskin", "Change the skin", &vevuzer::MainWindow::mnu_chngskin_Click},
        {"mnu_disptest", "Test display", &vevuzer::MainWindow::mnu_disptest_Click},
        {"hyp4", "-", nullptr},
        {"mnu_help", "Instructions and Help", &vevuzer::MainWindow::mnu_help_Click},
        {"hyp5", "-", nullptr},
        {"mnu_syslog", "View system log", &vevuzer::MainWindow::mnu_syslog_Click},
        {"hyp7", "-", nullptr},
        {"mnu_exit", "Exit", &vevuzer::MainWindow::mnu_exit_Click},
    };
    m_mnuSettings = new QMenu(this);
    m_mnuSettings->setObjectName("mnu_settings");
    m_mnuSettings->setTitle("Settings");
    for (const Entry& entry : entries) {
        QAction* action =
            entry.click ? m_mnuSettings->addAction(entry.caption) : m_mnuSettings->addSeparator();
        action->setObjectName(entry.name);
        if (const auto click = entry.click) {
            connect(action, &QAction::triggered, this, [this, click] { (m_main.*click)(); });
        }
    }
    return m_mnuSettings;
}

QMenu* frm_main::mn1_add() {
    if (m_mn1Add)
        return m_mn1Add;
    m_mn1Add = new QMenu(this);
    m_mn1Add->setObjectName("mn1_add");
    m_mn1Add->setTitle("Add");
    QAction* add = m_mn1Add->addAction("Add to telephone directory");
    add->setObjectName("mn1_addcaler");
    connect(add, &QAction::triggered, this, [this] { mn1_addcaler_Click(); });
    QAction* block = m_mn1Add->addAction("Add to blocked callers list");
    block->setObjectName("mn1_blockcaller");
    connect(block, &QAction::triggered, this, [this] { mn1_blockcaller_Click(); });
    return m_mn1Add;
}

bool frm_main::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_picture1 || watched == m_txtDisplay) {
        return surfaceMouseEvent(watched, event);
    }
    if (m_display && (watched == m_display || watched == m_display->viewport())) {
        return displayEvent(watched, event);
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == m_image2) {
            m_main.Image2_Click();
            return true;
        }
        for (int k = 1; k <= vevuzer::kLineCount; ++k) {
            if (watched == m_lineIndicators[k - 1]) {
                m_main.txt_Click(k);
                return true;
            }
        }
    }
    return ui::Form::eventFilter(watched, event);
}

// The skin picture and the status box: drag handles, the opening zone and the command menu.
bool frm_main::surfaceMouseEvent(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease) {
        return false;
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const float x = twipsOf(mouse->position().x());
    const float y = twipsOf(mouse->position().y());
    const int shift = static_cast<int>(mouse->modifiers() & Qt::ShiftModifier ? 1 : 0);
    const bool onPicture = watched == m_picture1;
    if (type == QEvent::MouseButtonPress) {
        const int button = buttonCode(mouse->button());
        onPicture ? m_main.Picture1_MouseDown(button, shift, x, y)
                  : m_main.txt_display_MouseDown(button, shift, x, y);
    } else if (type == QEvent::MouseMove) {
        const int buttons = buttonCode(mouse->buttons());
        onPicture ? m_main.Picture1_MouseMove(buttons, shift, x, y)
                  : m_main.txt_display_MouseMove(buttons, shift, x, y);
    } else {
        const int button = buttonCode(mouse->button());
        if (onPicture) {
            m_main.Picture1_MouseUp(button, shift, x, y);
        } else {
            m_main.txt_display_MouseUp(button, shift, x, y);
            if (button == vevuzer::kLeftButton) {
                m_main.txt_display_Click();
            }
        }
    }
    return true;
}

bool frm_main::displayEvent(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove:
            m_main.display_MouseMove();
            break;
        case QEvent::MouseButtonRelease:
            m_main.display_MouseUp(buttonCode(static_cast<QMouseEvent*>(event)->button()));
            break;
        case QEvent::KeyPress:
            if (watched == m_display) {
                const int key = static_cast<QKeyEvent*>(event)->key();
                if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                    m_main.display_KeyPress(13);
                    return true;
                }
            }
            break;
        default:
            break;
    }
    return false;
}

bool frm_main::loadSkinPicture(const std::string& path) {
    QPixmap picture;
    if (!ui::loadPicture(path, picture)) {
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
    showLineIndicator(m_lineIndicators.at(static_cast<std::size_t>(line - 1)), visible);
}

int frm_main::displayListIndex() const {
    return m_display ? m_display->currentRow() : -1;
}

void frm_main::setFormFocus() {
    show();
    raise();
    activateWindow();
}

void frm_main::beep() {
    QApplication::beep();
}

void frm_main::popupCommandMenu() {
    mnu_settings()->popup(QCursor::pos());
}

void frm_main::popupAddMenu() {
    mn1_add()->popup(QCursor::pos());
}

bool frm_main::picRingVisible() const {
    return m_picRing->isVisibleTo(this);
}

void frm_main::setPicRingVisible(bool visible) {
    showSignalPicture(m_picRing, visible);
}

bool frm_main::imgFlashVisible() const {
    return m_imgFlash->isVisibleTo(this);
}

void frm_main::setImgFlashVisible(bool visible) {
    showSignalPicture(m_imgFlash, visible);
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

// Until it is built the call list reads as a hidden, empty list, and a call that would leave it so
// does not build it.
bool frm_main::displayVisible() const {
    return m_display && m_display->isVisibleTo(this);
}

void frm_main::setDisplayVisible(bool visible) {
    if (!visible && !m_display)
        return;
    displayList()->setVisible(visible);
    if (visible) {
        m_display->raise();
    }
}

void frm_main::displayClear() {
    if (m_display)
        m_display->clear();
}

void frm_main::displayAddItem(std::string_view item) {
    displayList()->addItem(qText(item));
}

int frm_main::displayListCount() const {
    return m_display ? m_display->count() : 0;
}

std::string frm_main::displayItem(int index) const {
    const QListWidgetItem* item = m_display ? m_display->item(index) : nullptr;
    return item ? item->text().toStdString() : std::string();
}

void frm_main::setDisplayListIndex(int index) {
    if (m_display)
        m_display->setCurrentRow(index);
}

void frm_main::frmDisplayShow() {
    popup().Show();
}

void frm_main::frmDisplayDisplay(std::string_view Text, int aline) {
    popup().display(Text, aline);
}

void frm_main::setFrmDisplayName(std::string_view name) {
    popup().setTxtName(name);
}

void frm_main::frmDisplaySetFocus() {
    popup().SetFocus();
}

void frm_main::frmDisplayDisplayOther(std::string_view baname, std::string_view bnumber,
                                      std::string_view announce) {
    popup().displayother(baname, bnumber, announce);
}

void frm_main::setFrmDisplayNumber(std::string_view number) {
    popup().setTxtDisplay(number);
}

void frm_main::endProgram() {
    if (m_endProgram) {
        m_endProgram();
        return;
    }
    // Only the windows built so far are hidden: ending builds none.
    for (QWidget* window :
         std::initializer_list<QWidget*>{m_frmDisplay.get(), m_frmDirectory.get(),
                                         m_frmInclog.get(), m_frmInfo.get(), m_frmSettings.get()}) {
        if (window)
            window->hide();
    }
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
