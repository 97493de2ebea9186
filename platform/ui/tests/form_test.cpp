#include "platform/ui/form.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTextEdit>

namespace ui {
namespace {

// Widths and places the windows use, and values whose pixels are not whole.
TEST(Form, TwipsReadBackExactlyAsSet) {
    struct Case {
        int twips;
        int pixels;
    };
    static constexpr Case cases[] = {
        {7000, 467},
        {5280, 352},
        {6930, 462},
        {1530, 102},
        {7545, 503},
        {5790, 386},
        {6990, 466},
        {7005, 467},  // 7005 shares 7000's pixels, and still reads back
                      // as set
        {37, 2},
        {38, 3},  // halves round away from zero: 37/15 = 2.47, 38/15 = 2.53
        {-200, -13},
        {-7, 0},
    };
    Form form;
    form.show();
    for (const Case& row : cases) {
        SCOPED_TRACE(row.twips);
        form.moveTwips(row.twips, row.twips);
        if (row.twips > 0) {
            form.setTwipsWidth(row.twips);
            form.setTwipsHeight(row.twips);
            EXPECT_EQ(form.twipsWidth(), row.twips);
            EXPECT_EQ(form.twipsHeight(), row.twips);
            EXPECT_EQ(form.width(), row.pixels);
            EXPECT_EQ(form.height(), row.pixels);
        }
        EXPECT_EQ(form.twipsLeft(), row.twips);
        EXPECT_EQ(form.twipsTop(), row.twips);
        EXPECT_EQ(form.pos().x(), row.pixels);
        EXPECT_EQ(pixelsFromTwips(row.twips), row.pixels);
    }
}

TEST(Form, EachMemberChangesOnlyItself) {
    Form form;
    form.moveTwips(1000, 2000, 7000, 1530);
    form.setTwipsWidth(5280);
    form.setTwipsTop(1010);
    EXPECT_EQ(form.twipsLeft(), 1000);
    EXPECT_EQ(form.twipsTop(), 1010);
    EXPECT_EQ(form.twipsWidth(), 5280);
    EXPECT_EQ(form.twipsHeight(), 1530);
    form.moveTwips(-45, 30);  // Move with a place only keeps the size
    EXPECT_EQ(form.twipsWidth(), 5280);
    EXPECT_EQ(form.twipsHeight(), 1530);
}

TEST(Form, TwipsFollowChangesMadeInPixels) {
    Form form;
    form.setTwipsWidth(7000);
    form.setTwipsHeight(1530);
    form.show();
    form.resize(500, 102);  // the window system or the user resized it
    EXPECT_EQ(form.twipsWidth(), 7500);
    EXPECT_EQ(form.twipsHeight(), 1530);  // its pixels did not change
    form.setMinimumWidth(600);
    EXPECT_EQ(form.twipsWidth(), 9000);
}

TEST(Form, CaptionAndWindowState) {
    Form form;
    form.setCaption("Belltale \xE2\x80\x93 \xC3\xBC");
    EXPECT_EQ(form.caption(), "Belltale \xE2\x80\x93 \xC3\xBC");
    EXPECT_EQ(form.windowTitle(), QString::fromUtf8("Belltale \xE2\x80\x93 \xC3\xBC"));

    EXPECT_EQ(form.formWindowState(), FormWindowState::Normal);
    for (FormWindowState state :
         {FormWindowState::Minimized, FormWindowState::Maximized, FormWindowState::Normal}) {
        form.setFormWindowState(state);
        EXPECT_EQ(form.formWindowState(), state);
    }
}

TEST(Form, FindsControlsByName) {
    Form form;
    auto* frame = new QWidget(&form);
    auto* status = new QTextEdit(frame);  // nested: found through its parent
    status->setObjectName("txt_display");
    auto* picture = new QLabel(&form);
    picture->setObjectName("Picture1");

    EXPECT_EQ(form.control<QTextEdit>("txt_display"), status);
    EXPECT_EQ(form.control("Picture1"), picture);
    EXPECT_EQ(form.control<QTextEdit>("Picture1"), nullptr);  // another kind of control
    EXPECT_EQ(form.control("Picture9"), nullptr);
}

TEST(Form, PlacesControlsInTwips) {
    Form form;
    auto* status = new QTextEdit(&form);
    placeControl(status, 190, 210, 4635, 900);
    EXPECT_EQ(status->geometry(), QRect(13, 14, 309, 60));
}

}  // namespace
}  // namespace ui
