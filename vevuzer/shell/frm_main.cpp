#include "vevuzer/shell/frm_main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPixmap>

namespace {

// The window's size as designed, in twips.
constexpr int kDesignWidth = 6930;
constexpr int kDesignHeight = 1530;

// The status box's text until the first banner replaces it.
constexpr char kWelcomeText[] = "Welcome to Belltale";

}  // namespace

frm_main::frm_main(QWidget* parent)
    : ui::Form(parent),
      m_picture1(new QLabel(this)),
      m_txtDisplay(new QLabel(this)),
      m_main(*this) {
    setObjectName("frm_main");
    setCaption("Belltale");
    setTwipsWidth(kDesignWidth);
    setTwipsHeight(kDesignHeight);

    m_picture1->setObjectName("Picture1");
    m_picture1->setToolTip("Right click here for more options");
    ui::placeControl(m_picture1, 0, 0, 5280, 1530);

    m_txtDisplay->setObjectName("txt_display");
    m_txtDisplay->setText(kWelcomeText);
    m_txtDisplay->setWordWrap(true);
    ui::placeControl(m_txtDisplay, 190, 210, 4635, 900);
}

frm_main::~frm_main() = default;

bool frm_main::loadSkinPicture(const std::string& path) {
    QPixmap picture;
    if (!picture.load(QString::fromStdString(path))) {
        return false;
    }
    m_picture1->setPixmap(picture);
    m_picture1->move(0, 0);
    return true;
}

void frm_main::endProgram() {
    if (m_endProgram) {
        m_endProgram();
        return;
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
