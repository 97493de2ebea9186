// A Line control on the simulated exchange, in virtual time, with the monitor windows installed:
// the tests open its window and drive it as a user would, by its components' names.
#pragma once

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "lkLK36/engines/tests/line_fixture.h"
#include "lkLK36/vantage/lkLineVT.h"
#include "lkLK36/vantage/vantage_windows.h"

using namespace std::chrono_literals;

class LineWindowTest : public LineTest {
  protected:
    LineWindowTest() {
        installVantageWindows();
        newLine();
    }
    ~LineWindowTest() override {
        line.reset();
        freeClosedWindows();
        removeVantageWindows();
    }

    // Opens the window as a host does (VantageVisible := True).
    TlkLineVantage* open() {
        line->Vantage().SetVisible(true);
        return window();
    }
    TlkLineVantage* window() const { return dynamic_cast<TlkLineVantage*>(line->Vantage().form()); }
    // Windows closed inside their own handlers go when control is back in the event loop.
    static void freeClosedWindows() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A menu as the user opens it, then one of its items chosen.
    void choose(const char* menu, const char* item) {
        TlkLineVantage* w = window();
        ASSERT_TRUE(w) << "no window open";
        auto* m = w->component<QMenu>(menu);
        ASSERT_TRUE(m) << menu;
        emit m->aboutToShow();
        auto* action = w->component<QAction>(item);
        ASSERT_TRUE(action) << item;
        action->trigger();
    }
    // The texts of a tree, one line per node, children indented by a tab.
    static std::vector<std::string> treeLines(const QTreeWidget* tree) {
        std::vector<std::string> lines;
        std::function<void(const QTreeWidgetItem*, int)> walk = [&](const QTreeWidgetItem* item,
                                                                    int depth) {
            lines.push_back(std::string(static_cast<std::size_t>(depth), '\t') +
                            item->text(0).toStdString());
            for (int i = 0; i < item->childCount(); ++i)
                walk(item->child(i), depth + 1);
        };
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            walk(tree->topLevelItem(i), 0);
        return lines;
    }
    // Rings line 1 with caller ID and lets the number arrive.
    DWORD ringWithCallerId() {
        tapi::IncomingCall caller;
        caller.number = "01632960123";
        caller.name = "ANN SMITH";
        EXPECT_NE(tapi::exchange().ring(0, caller), 0u);
        time.advance(1600ms);
        return line->Call.Handle;
    }
};
