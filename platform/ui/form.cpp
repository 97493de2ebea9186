#include "platform/ui/form.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace ui {

int pixelsFromTwips(int twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

int twipsFromPixels(int pixels) {
    return pixels * kTwipsPerPixel;
}

void placeControl(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(pixelsFromTwips(left), pixelsFromTwips(top), pixelsFromTwips(width),
                         pixelsFromTwips(height));
}

namespace {

QSize screenPixels() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

}  // namespace

int screenTwipsWidth() {
    return twipsFromPixels(screenPixels().width());
}
int screenTwipsHeight() {
    return twipsFromPixels(screenPixels().height());
}

Form::Form(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {
    m_left = twipsFromPixels(pos().x());
    m_top = twipsFromPixels(pos().y());
    m_width = twipsFromPixels(width());
    m_height = twipsFromPixels(height());
}

// Each getter answers the twips as set while the window still has the pixels derived from them.
int Form::twipsLeft() const {
    return pos().x() == pixelsFromTwips(m_left) ? m_left : twipsFromPixels(pos().x());
}

int Form::twipsTop() const {
    return pos().y() == pixelsFromTwips(m_top) ? m_top : twipsFromPixels(pos().y());
}

int Form::twipsWidth() const {
    return width() == pixelsFromTwips(m_width) ? m_width : twipsFromPixels(width());
}

int Form::twipsHeight() const {
    return height() == pixelsFromTwips(m_height) ? m_height : twipsFromPixels(height());
}

void Form::setTwipsLeft(int twips) {
    moveTwips(twips, twipsTop());
}
void Form::setTwipsTop(int twips) {
    moveTwips(twipsLeft(), twips);
}

void Form::setTwipsWidth(int twips) {
    m_height = twipsHeight();
    m_width = twips;
    applySize();
}

void Form::setTwipsHeight(int twips) {
    m_width = twipsWidth();
    m_height = twips;
    applySize();
}

void Form::moveTwips(int left, int top) {
    m_left = left;
    m_top = top;
    applyPosition();
}

void Form::moveTwips(int left, int top, int width, int height) {
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    setGeometry(pixelsFromTwips(left), pixelsFromTwips(top), pixelsFromTwips(width),
                pixelsFromTwips(height));
}

void Form::applyPosition() {
    move(pixelsFromTwips(m_left), pixelsFromTwips(m_top));
}
void Form::applySize() {
    resize(pixelsFromTwips(m_width), pixelsFromTwips(m_height));
}

std::string Form::caption() const {
    return windowTitle().toStdString();
}

void Form::setCaption(std::string_view caption) {
    setWindowTitle(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
}

FormWindowState Form::formWindowState() const {
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized)
        return FormWindowState::Minimized;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return FormWindowState::Maximized;
    return FormWindowState::Normal;
}

void Form::setFormWindowState(FormWindowState state) {
    switch (state) {
        case FormWindowState::Normal:
            setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
            break;
        case FormWindowState::Minimized:
            setWindowState((windowState() & ~Qt::WindowMaximized) | Qt::WindowMinimized);
            break;
        case FormWindowState::Maximized:
            setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
            break;
    }
}

}  // namespace ui
