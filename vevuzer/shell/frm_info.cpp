#include "vevuzer/shell/frm_info.h"

#include <QEvent>
#include <QFont>
#include <QPlainTextEdit>

namespace {

constexpr int kWidthTwips = 6000;
constexpr int kHeightTwips = 3600;

}  // namespace

frm_info::frm_info(QWidget* parent) : ui::Form(parent), m_txtDisplay(new QPlainTextEdit(this)) {
    setObjectName("frm_info");
    setCaption("Information");
    m_txtDisplay->setObjectName("txt_display");
    m_txtDisplay->setFont(QFont("Times New Roman"));
    m_txtDisplay->setReadOnly(true);
    m_txtDisplay->viewport()->installEventFilter(this);
    ui::placeControl(m_txtDisplay, 0, 0, kWidthTwips, kHeightTwips);
    setTwipsWidth(kWidthTwips);
    setTwipsHeight(kHeightTwips);
}

void frm_info::display(std::string_view Text) {
    m_txtDisplay->setPlainText(QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size())));
}

std::string frm_info::text() const {
    return m_txtDisplay->toPlainText().toStdString();
}

void frm_info::Show() {
    show();
    raise();
    activateWindow();
}

bool frm_info::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_txtDisplay->viewport() && event->type() == QEvent::MouseButtonPress) {
        close();
        return true;
    }
    return ui::Form::eventFilter(watched, event);
}
