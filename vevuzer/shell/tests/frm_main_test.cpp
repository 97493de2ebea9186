#include "vevuzer/shell/frm_main.h"

#include <gtest/gtest.h>
#include <signal.h>

#include "platform/core/messages.h"
#include "vevuzer/shell/quit_signals.h"

namespace {

TEST(frm_main, IsTheBelltaleWindow) {
    frm_main window;
    window.show();
    EXPECT_EQ(window.objectName(), "frm_main");
    EXPECT_EQ(window.caption(), "Belltale");
    EXPECT_EQ(window.twipsWidth(), 6930);
    EXPECT_EQ(window.twipsHeight(), 1530);
    EXPECT_TRUE(window.isVisible());
}

TEST(frm_main, QuitSignalClosesTheWindow) {
    frm_main window;
    closeOnQuitSignals(&window);
    window.show();
    raise(SIGTERM);
    EXPECT_TRUE(core::pumpUntil([&] { return !window.isVisible(); }, 10000));
}

}  // namespace
