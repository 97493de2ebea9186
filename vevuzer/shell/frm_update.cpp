#include "vevuzer/shell/frm_update.h"

#include <QFrame>
#include <QLabel>

namespace {

constexpr char kNotice[] =
    "Please wait whilst I download the latest update to Belltale from the Fenwright Software web "
    "site. This should take no longer than 5 minutes with a 56K connection.";
constexpr DWORD kBlinkMs = 1000;

}  // namespace

frm_update::frm_update(QWidget* parent) : ui::Form(parent) {
    setObjectName("frm_update");
    setCaption("Belltale update");
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setTwipsWidth(5400);
    setTwipsHeight(1500);

    auto* shape = new QFrame(this);
    shape->setObjectName("Shape1");
    shape->setFrameShape(QFrame::Box);
    ui::placeControl(shape, 60, 60, 5280, 1380);

    auto* label = new QLabel(QString::fromUtf8(kNotice), this);
    label->setObjectName("Label1");
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    ui::placeControl(label, 180, 120, 5040, 1260);

    m_Timer1.setOnTimer([this] { Timer1_Timer(); });
    m_Timer1.setInterval(kBlinkMs);
}

frm_update::~frm_update() = default;

void frm_update::Show() {
    show();
}

void frm_update::Timer1_Timer() {
    setVisible(!isVisible());
}
