// Reading pictures: the skins decoded here match Qt's own reader pixel for pixel, and whatever is
// not a plain GIF, or is damaged, still reads as Qt reads it.
#include "platform/ui/picture.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

bool samePixels(const QImage& left, const QImage& right) {
    return left.size() == right.size() && left.convertToFormat(QImage::Format_RGB32) ==
                                              right.convertToFormat(QImage::Format_RGB32);
}

TEST(Picture, ShippedSkinsDecodeAsQtReadsThem) {
    const QStringList skins = QDir(BELLTALE_ASSETS).entryList({"*.gif"}, QDir::Files);
    ASSERT_FALSE(skins.isEmpty());
    for (const QString& name : skins) {
        const QString path = QString(BELLTALE_ASSETS) + "/" + name;
        const std::optional<QImage> plain = ui::decodePlainGif(fileBytes(path));
        ASSERT_TRUE(plain) << name.toStdString();
        EXPECT_TRUE(samePixels(*plain, QImage(path))) << name.toStdString();
        EXPECT_TRUE(samePixels(ui::loadPicture(path.toStdString()), QImage(path)));
    }
}

TEST(Picture, DamagedOrOtherPicturesAreLeftToQt) {
    const QByteArray skin = fileBytes(QString(BELLTALE_ASSETS) + "/PlainBlue.gif");
    QByteArray transparent = skin;
    transparent[skin.indexOf("\x21\xF9") + 3] = 1;  // the graphic control's transparency flag
    QByteArray bmp;
    {
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        QImage(4, 3, QImage::Format_RGB32).save(&buffer, "BMP");
    }
    struct Case {
        const char* what;
        QByteArray data;
    };
    const Case cases[] = {
        {"empty", {}},
        {"header only", skin.left(13)},
        {"cut in its pixels", skin.left(skin.size() / 2)},
        {"pixel stream garbled", skin.left(skin.size() - 40) + QByteArray(38, '\xFF') + "\x00\x3B"},
        {"transparent colour", transparent},
        {"a BMP", bmp},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(ui::decodePlainGif(c.data)) << c.what;

    // A file left to Qt still loads: the BMP, and the transparent GIF with its transparency.
    QTemporaryDir dir;
    for (const auto& [name, data] : {std::pair{"p.bmp", bmp}, std::pair{"t.gif", transparent}}) {
        const QString path = dir.filePath(name);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        file.close();
        const QImage loaded = ui::loadPicture(path.toStdString());
        EXPECT_FALSE(loaded.isNull()) << name;
        EXPECT_EQ(loaded, QImage(path)) << name;
    }
    EXPECT_TRUE(ui::loadPicture(dir.filePath("missing.gif").toStdString()).isNull());
}

}  // namespace
