#include "platform/core/clock.h"

#include <gtest/gtest.h>

namespace {

TEST(OleDate, KnownDates) {
    struct Case {
        core::DateParts parts;
        double ole;
    };
    static constexpr Case cases[] = {
        {{1899, 12, 30, 0, 0, 0, 0}, 0.0},
        {{1900, 1, 1, 0, 0, 0, 0}, 2.0},
        {{2000, 1, 1, 12, 0, 0, 0}, 36526.5},
        {{2026, 12, 10, 6, 0, 0, 0}, 46366.25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ole);
        EXPECT_DOUBLE_EQ(core::oleDateFrom(c.parts), c.ole);
        const auto back = core::datePartsOf(c.ole);
        EXPECT_EQ(back.year, c.parts.year);
        EXPECT_EQ(back.month, c.parts.month);
        EXPECT_EQ(back.day, c.parts.day);
        EXPECT_EQ(back.hour, c.parts.hour);
    }
}

TEST(OleDate, RoundsToTheMillisecond) {
    const auto parts = core::datePartsOf(core::oleDateFrom({2026, 3, 2, 10, 0, 0, 0}));
    EXPECT_EQ(parts.hour, 10);
    EXPECT_EQ(parts.minute, 0);
    EXPECT_EQ(parts.second, 0);
}

TEST(Tick, NeverGoesBack) {
    auto previous = core::tickCount64();
    for (int i = 0; i < 1000; ++i) {
        const auto now = core::tickCount64();
        EXPECT_GE(now, previous);
        previous = now;
    }
}

}  // namespace
