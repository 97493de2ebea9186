// The pictures of the monitor windows' lamps and call status images, drawn rather than stored.
#pragma once

#include <QPixmap>

enum class LampColour { Gray, Green, Red, Yellow };

// A round lamp of 16 x 16 pixels; an "on" lamp is drawn with a dark rim (the handset on its hook),
// an "off" lamp without.
QPixmap lampPixmap(LampColour colour, bool on);
