#include "platform/ui/font_warm_up.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>
#include <QPushButton>
#include <optional>

namespace ui {
namespace {

// The window goes on measuring its captions while the fonts load beside it: each measurement is
// the one it would be without the warm-up, and a family the machine lacks ends the warm-up too.
TEST(FontWarmUp, TextMeasuresAsWithoutItWhileItRuns) {
    QFont arial("Arial");
    arial.setPixelSize(10);
    const FontConfigLoad configuration;
    std::optional<FontWarmUp> fonts;
    fonts.emplace(configuration, std::vector<std::string>{"Arial", "No Such Family 3f9c"});
    const auto captionWidth = [&arial] {
        QPushButton button("&Incoming calls log");
        button.setFont(arial);
        return button.sizeHint().width();
    };
    const int whileWarming = captionWidth();
    const int advanceWhileWarming = QFontMetrics(arial).horizontalAdvance("Telephone directory");
    fonts.reset();
    EXPECT_EQ(captionWidth(), whileWarming);
    EXPECT_EQ(QFontMetrics(arial).horizontalAdvance("Telephone directory"), advanceWhileWarming);
}

}  // namespace
}  // namespace ui
