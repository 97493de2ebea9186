// Reading a picture file into an image.
#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>
#include <string>

namespace ui {

// The picture in the file, empty when it cannot be read. A plain GIF (one opaque, whole, not
// interlaced frame on the global colour table, as the skins are) is decoded here; anything else
// goes to Qt's image readers, whose plug-ins a start with a plain skin then never loads.
QImage loadPicture(const std::string& path);

// A plain GIF's first frame, or nothing when the data is not a plain GIF or is damaged.
std::optional<QImage> decodePlainGif(const QByteArray& data);

}  // namespace ui
