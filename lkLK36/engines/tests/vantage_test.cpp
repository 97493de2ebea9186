// The engines' side of the monitor windows: when a window opens, what it is asked to show, and
// that nothing reaches a window that is not open.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLKShare.h"
#include "lkLK36/engines/testing/recording_vantage_form.h"
#include "lkLK36/engines/tests/engine_test_support.h"
#include "platform/tapi/tapi.h"

namespace {

using Calls = std::vector<std::string>;

class Vantage : public ::testing::Test {
  protected:
    TlkVantage& vantage() { return control.Vantage(); }

    OwnProgramFolder folder;
    TestControl control;
};

TEST_F(Vantage, WithoutAWindowLibraryVisibleIsKeptAndLogged) {
    control.DblClick();
    EXPECT_TRUE(vantage().Visible());
    EXPECT_EQ(vantage().form(), nullptr);
    control.DblClick();
    vantage().SetVisible(false);
    EXPECT_FALSE(vantage().Visible());
    const auto& lines = control.log().Lines();
    EXPECT_EQ(Calls(lines.end() - 3, lines.end()),
              (Calls{"VantageVisible = True", "VantageVisible = True", "VantageVisible = False"}));
}

TEST_F(Vantage, WindowsOpenOnThePageOfTheirKind) {
    struct Case {
        LONG kind;
        bool opensOnLogPage;
        const char* caption;
        Calls calls;
    };
    const Case cases[] = {
        {lkKindLine,
         true,
         "lkLine - Orvane Vantage",
         {"hideLogSettingsRow", "showLogPage", "show", "refreshAll"}},
        {lkKindPhone,
         true,
         "lkPhone - Orvane Vantage",
         {"hideLogSettingsRow", "refreshAll", "showLogPage", "show"}},
        {lkKindPlay,
         false,
         "lkPlay - Orvane Vantage",
         {"hideLogSettingsRow", "refreshAll", "showSourcePage", "show"}},
        {lkKindRecord, true, "lkRecord - Orvane Vantage", {"refreshAll", "showLogPage", "show"}},
    };
    RecordingVantageForms forms;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        TestControl engine(c.kind);
        engine.opensOnLogPage = c.opensOnLogPage;
        engine.Vantage().SetStayOnTop(true);
        engine.DblClick();
        EXPECT_TRUE(engine.Vantage().Visible());
        EXPECT_EQ(forms.last().calls, c.calls);
        EXPECT_EQ(forms.last().caption, c.caption);
        EXPECT_TRUE(forms.last().stayOnTop);
    }
}

TEST_F(Vantage, KeptGeometryOutlivesTheWindow) {
    RecordingVantageForms forms;
    vantage().SetLeft(10);
    vantage().SetWidth(300);
    vantage().SetHeight(200);
    vantage().SetWindowState(wsMaximized);
    // Read with no window open, the position is 0 and the kept top is lost; the rest stays.
    EXPECT_EQ(vantage().Width(), 0);
    EXPECT_EQ(vantage().WindowState(), wsNormal);
    vantage().SetWindowState(wsMaximized);
    control.DblClick();
    EXPECT_EQ(Calls(forms.last().calls.begin(), forms.last().calls.begin() + 5),
              (Calls{"top 0", "left 10", "width 300", "height 200", "state 2"}));

    vantage().keepFormGeometry(5, 6, 400, 250, wsNormal);  // the window was moved and resized
    forms.last().state = wsNormal;
    forms.last().geometry[0] = 5;
    forms.last().geometry[1] = 6;
    EXPECT_EQ(vantage().Top(), 5);
    EXPECT_EQ(vantage().Width(), 400);
    forms.last().userCloses();
    EXPECT_FALSE(vantage().Visible());
    EXPECT_EQ(vantage().form(), nullptr);
    control.DblClick();
    EXPECT_EQ(Calls(forms.last().calls.begin(), forms.last().calls.begin() + 5),
              (Calls{"top 5", "left 6", "width 400", "height 250", "state 0"}));
}

TEST_F(Vantage, WindowWithNoKeptGeometryKeepsItsOwn) {
    RecordingVantageForms forms;
    vantage().SetWindowState(wsMaximized);
    control.DblClick();
    EXPECT_EQ(forms.last().calls.front(), "hideLogSettingsRow");
}

TEST_F(Vantage, PopupOpensTheLogPageOnlyWhenAsked) {
    RecordingVantageForms forms;
    vantage().Popup(false);
    EXPECT_TRUE(forms.forms.empty());
    vantage().Popup(true);
    ASSERT_EQ(forms.forms.size(), 1u);
    EXPECT_EQ(forms.last().calls.back(), "showLogPage");
    forms.last().calls.clear();
    vantage().Popup(true);
    EXPECT_EQ(forms.last().calls, (Calls{"show", "showLogPage"}));
    EXPECT_EQ(forms.forms.size(), 1u);
}

TEST_F(Vantage, ErrorsReachTheOpenWindow) {
    RecordingVantageForms forms;
    control.FillErrorStrings(LINEERR_NOMEM);  // closed, and no pop-up wanted
    EXPECT_TRUE(forms.forms.empty());
    control.popupErrors = true;
    control.FillErrorStrings(LINEERR_NOMEM);
    ASSERT_EQ(forms.forms.size(), 1u);
    const Calls& calls = forms.last().calls;
    EXPECT_EQ(Calls(calls.end() - 2, calls.end()), (Calls{"showLogPage", "enableErrorButton"}));
}

TEST_F(Vantage, RefreshesReachOnlyAnOpenWindow) {
    RecordingVantageForms forms;
    control.DblClick();
    RecordingVantageForm& form = forms.last();
    const int refreshes = form.logRefreshes;
    control.log().Add(1, "line");
    EXPECT_EQ(form.logRefreshes, refreshes + 1);
    vantage().observer<LineVantageObserver>().UpdateInfoTree();
    EXPECT_EQ(form.calls.back(), "UpdateInfoTree");
    // The Line window is no Phone window: a Phone refresh goes nowhere.
    vantage().observer<PhoneVantageObserver>().UpdatePhoneInfoTree();

    vantage().SetVisible(false);
    EXPECT_TRUE(form.closed);
    form.calls.clear();
    const int refreshesWhenClosed = form.logRefreshes;
    vantage().observer<LineVantageObserver>().UpdateInfoTree();
    control.log().Add(1, "line");
    EXPECT_TRUE(form.calls.empty());
    EXPECT_EQ(form.logRefreshes, refreshesWhenClosed);
}

TEST_F(Vantage, DestroyingTheControlClosesItsWindowFirst) {
    RecordingVantageForms forms;
    auto engine = std::make_unique<TestControl>();
    engine->DblClick();
    engine.reset();
    EXPECT_TRUE(forms.last().closed);
}

}  // namespace
