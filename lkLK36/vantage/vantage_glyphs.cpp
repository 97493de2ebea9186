#include "lkLK36/vantage/vantage_glyphs.h"

#include <QPainter>

QPixmap lampPixmap(LampColour colour, bool on) {
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill;
    switch (colour) {
        case LampColour::Gray:
            fill = QColor(160, 160, 160);
            break;
        case LampColour::Green:
            fill = QColor(0, 176, 0);
            break;
        case LampColour::Red:
            fill = QColor(216, 0, 0);
            break;
        case LampColour::Yellow:
            fill = QColor(232, 200, 0);
            break;
    }
    painter.setBrush(fill);
    painter.setPen(on ? QPen(QColor(40, 40, 40), 2) : QPen(fill.darker(130), 1));
    painter.drawEllipse(QRectF(2, 2, 12, 12));
    return picture;
}
