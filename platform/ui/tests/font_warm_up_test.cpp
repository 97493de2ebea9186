#include "platform/ui/font_warm_up.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>
#include <QPushButton>
#include <optional>
#include <thread>

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

// Whatever measures text first, on any thread, waits for the reading under way; with none under
// way, or once it is gone, nothing waits.
TEST(FontConfigLoad, AnyThreadWaitsForTheReadingUnderWayAndNoneOnceItIsGone) {
    waitForFontConfiguration();
    {
        const FontConfigLoad configuration;
        std::thread measuring([] {
            waitForFontConfiguration();
            EXPECT_GT(QFontMetrics(QFont("Arial")).height(), 0);
        });
        measuring.join();
    }
    waitForFontConfiguration();
}

}  // namespace
}  // namespace ui
